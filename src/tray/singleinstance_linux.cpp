#include "tray/singleinstance.h"

#include "base/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace quendral {

namespace {

// The folder itself, not what a link there points to.
bool ownFolder(const QString &folder, struct stat &st)
{
    return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// A folder no other user can reach: ours, not a link, closed to the rest.
bool isPrivate(const QString &folder)
{
    struct stat st
    {
    };
    return ownFolder(folder, st) && (st.st_mode & 077) == 0;
}

// Ours and not writable by others: nobody else can put a name into it, so a
// private folder made inside it stays ours.
bool closedToWriters(const QString &folder)
{
    struct stat st
    {
    };
    return ownFolder(folder, st) && (st.st_mode & 022) == 0;
}

} // namespace

QString SingleInstance::lockFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivate(runtime))
        return runtime;
    // Never a shared folder such as /tmp, where another user could take the
    // name first.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QString folder = cache + QStringLiteral("/quendral");
    QDir().mkpath(cache);
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (isPrivate(folder))
        return folder;
    // Made open to reading by someone else's "mkdir -p" (the Windows build
    // keeps its cache there): a private folder of our own inside it.
    const QString inner = folder + QStringLiteral("/locks");
    if (closedToWriters(folder)) {
        ::mkdir(QFile::encodeName(inner).constData(), 0700);
        if (isPrivate(inner))
            return inner;
    }
    qCWarning(lcTray) << "Neither" << runtime << "nor" << folder << "nor" << inner
                      << "is a folder of this user's alone";
    return {};
}

// Links resolved: the path is the file (a path name is one file on Linux, in
// every letter case its own).
QString SingleInstance::fileIdentity(const QString &programFile)
{
    const QFileInfo info(programFile);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace quendral
