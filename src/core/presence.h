#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quendral::presence {

// True when the name part of `path` holds "*" or "?", which then match as in a
// directory search.
bool hasWildcard(const QString &path);

// Whether `pattern` ("*" any run of characters, "?" exactly one, everything
// else literal) matches the whole of `name`, with letter case.
bool wildcardMatch(const QString &pattern, const QString &name);

// Whether an expected file is on disk: an ordinary file (a regular file or a
// link to one, never a folder) whose name does not begin with "." (the hidden
// files of this platform) and which holds at least one byte, because a
// browser creates the final name empty when a download starts. A name with
// wildcards is looked up as a directory search of its folder, where names
// ending in ".part" or ".crdownload" (downloads still being written) never
// match. May block as long as the file system does.
bool found(const QString &path);

// The same test for several names in one folder (ending in "/"; empty for the
// current folder), answered in order. The folder is read at most once, however
// many of the names hold wildcards.
std::vector<bool> foundIn(const QString &folder, const QStringList &names);

// Splits a path into its folder (with the trailing "/") and its name.
std::pair<QString, QString> splitPath(const QString &path);

} // namespace quendral::presence
