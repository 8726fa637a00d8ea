#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quendral::foldernames {

// Every name in `folder` but "." and "..", hidden ones only with `hidden`,
// without a stat. On Linux the folder is read by bytes: a name that is not
// UTF-8 is listed too, its stray bytes carried as stand-in characters that
// only the functions below take back to the bytes (Qt's own listing leaves
// such names out).
QStringList namesIn(const QString &folder, bool hidden);

// The bytes the system knows `path` by: stand-ins of namesIn taken back.
QByteArray toBytes(const QString &path);

// Whether something is at `path` (links followed).
bool exists(const QString &path);

// The size of the regular file at `path` (links followed); nothing for a
// folder, anything else or nothing there.
std::optional<qint64> regularFileSize(const QString &path);

} // namespace quendral::foldernames
