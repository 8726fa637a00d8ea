#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quendral::openwriters {
class Progress;
}

namespace quendral::presence {

// A name's answer: not there (or still being written), there and complete,
// there with no writer seen among the processes that could be read (Unsure),
// or there with the look for writers not through every process yet
// (Unfinished: nothing is told until it is).
enum class Answer : unsigned char { No, Yes, Unsure, Unfinished };

// True when the name part of `path` holds "*" or "?", which then match as in a
// directory search.
bool hasWildcard(const QString &path);

// Whether `pattern` ("*" any run of characters, "?" exactly one, everything
// else literal) matches the whole of `name`, with letter case.
bool wildcardMatch(const QString &pattern, const QString &name);

// Whether an expected file is on disk and complete: an ordinary file (a
// regular file or a link to one, never a folder) whose name does not begin
// with "." (the hidden files of this platform) and which holds at least one
// byte, because a browser creates the final name empty when a download
// starts. It is not complete yet while a partial marker of a download program
// is beside it (the same name plus ".part", ".crdownload", ".aria2" or ".!qB")
// or while any process has it open for writing; that last look is taken only
// for files that pass every other test, and within a bound of its own. A name
// with wildcards is looked up as a directory search of its folder, where names
// ending in one of those markers never match and a pattern is found when any
// one matching file is complete. May block as long as the file system does.
// True only for a definite Yes.
bool found(const QString &path);

// The same test for several names in one folder (ending in "/"; empty for the
// current folder), answered in order. The folder is read at most once, however
// many of the names hold wildcards, unless writers send the search on. A
// pattern is Unsure (or Unfinished) when no matching file is complete for
// certain but one might be. With `progress`, a look for writers that ran out
// of time goes on where it stopped at the next call.
std::vector<Answer> foundIn(const QString &folder, const QStringList &names, openwriters::Progress *progress = nullptr);

// foundIn without the look for open writers: whether each file has arrived,
// written to the end or not (never Unsure). It costs what the file system's
// answers cost.
std::vector<Answer> arrivedIn(const QString &folder, const QStringList &names);

// The files that entries name: a name without wildcards as it is, a name with
// them as every file of its folder that matches it and has arrived (as
// arrivedIn counts them), in name order; each file once.
QStringList matchedFiles(const QStringList &paths);

// Whether a partial marker of a download program is beside the file at `path`.
bool hasPartialMarker(const QString &path);
// Whether a download is still at work in `folder`: a partial marker is there,
// or a process has one of its files open for writing (within a bound). A look
// through every process that found none counts as no writer, even where some
// could not be read; one that ran out of time counts as at work, and with
// `progress` the next call goes on where it stopped.
bool atWork(const QString &folder, openwriters::Progress *progress = nullptr);

// Splits a path into its folder (with the trailing "/") and its name.
std::pair<QString, QString> splitPath(const QString &path);

} // namespace quendral::presence
