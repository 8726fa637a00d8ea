#pragma once

#include <QLockFile>
#include <QString>

namespace quendral {

// One running copy per user and program file: a lock file in the user's
// runtime folder, named after the executable's path, held while the copy
// runs. A lock left behind by a copy that crashed names a process that no
// longer runs and is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &programFile);

    // Takes the lock; false when another running copy of the same program
    // file holds it. Taking it again while held is fine.
    bool acquire();

    static QString lockPathFor(const QString &programFile);

private:
    QLockFile m_lock;
};

} // namespace quendral
