#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace quendral {

// A version of a file as a cache knows it: its modification time and size.
struct FileStamp
{
    bool exists = false;
    std::chrono::nanoseconds modified{0}; // on the clock of fileClockNow()
    qint64 size = -1;
    bool operator==(const FileStamp &) const = default;
    // Modification times are coarse: a file changed within the last moments
    // may change again without a new time, so it is not yet safe to keep.
    bool isSettled() const;
};

// The stamp of a regular file; `exists` is false for anything else. One
// per platform: a single stat where the system has one.
FileStamp fileStamp(const QString &path);

// Now, on the clock that stamps modification times.
std::chrono::nanoseconds fileClockNow();

// Replaces the file at `path` with `data` so that a crash or a power-off at any
// moment leaves either the old file or the new one, never a mix: the data goes
// to a temporary file in the same folder, is flushed to disk and then renamed
// over the old file, and the folder is flushed so that the rename lasts.
// Temporary files of writers that were killed are removed first. Returns
// false (and leaves the old file untouched) when any step fails.
bool writeFileAtomically(const QString &path, const QByteArray &data);

// Reads a whole file of at most `maxBytes`. Returns false for a missing,
// unreadable or larger file, or a folder.
bool readWholeFile(const QString &path, qint64 maxBytes, QByteArray *data);

} // namespace quendral
