#pragma once

#include <QLockFile>
#include <QString>

namespace quendral {

// One running copy per user and program file: a lock file in the user's
// runtime folder (when it is the user's alone, else a private folder in the
// cache folder, or one inside that when it was made open to reading), named
// after the executable file's identity, held while the copy runs. A lock left behind
// by a copy that crashed names a process that no longer runs, or no process
// at all, and is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &programFile);

    // Takes the lock; false when another running copy of the same program
    // file holds it. Taking it again while held is fine.
    bool acquire();

    // "" when no private folder can be had (the cache folder is another
    // user's, or writable by others); every copy then starts, as a program
    // that refused to start over a folder's modes would leave the user with
    // no monitoring at all.
    static QString lockPathFor(const QString &programFile);
    // The folder of the lock, or "" (platform file).
    static QString lockFolder();
    // What names the program file whatever path reached it (platform file):
    // every spelling of the same file gives the same text.
    static QString fileIdentity(const QString &programFile);

private:
    QLockFile m_lock;
};

} // namespace quendral
