#include "tray/singleinstance.h"

#include "base/logging.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace quendral {

SingleInstance::SingleInstance(const QString &programFile)
    : m_lock(lockPathFor(programFile))
{
    // A live copy may run for weeks: only a dead owner makes a lock stale,
    // never its age.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    // No private folder to lock in: nothing can tell copies apart.
    if (m_lock.fileName().isEmpty()) {
        qCWarning(lcTray) << "No private folder for the single-instance lock: every copy starts";
        return true;
    }
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return true;
    // A lock file that names no process (empty, garbage or unreadable, as a
    // crash or a full disk leaves it) would block every start for good. A
    // fresh one may still be being written by a copy starting this moment.
    qint64 pid = 0;
    QString host;
    QString application;
    const QFileInfo info(m_lock.fileName());
    if (m_lock.error() != QLockFile::LockFailedError) {
        qCWarning(lcTray) << "Taking the lock" << m_lock.fileName() << "failed: QLockFile error" << m_lock.error();
        return false;
    }
    if ((m_lock.getLockInfo(&pid, &host, &application) && pid > 0) ||
        info.lastModified().secsTo(QDateTime::currentDateTime()) < 2) {
        qCDebug(lcTray) << "Another copy holds" << m_lock.fileName() << "- process" << pid;
        return false;
    }
    qCDebug(lcTray) << "Taking over the lock" << m_lock.fileName() << "that names no process";
    if (m_lock.removeStaleLockFile() && m_lock.tryLock(0))
        return true;
    qCWarning(lcTray) << "Taking over the lock" << m_lock.fileName() << "failed: QLockFile error" << m_lock.error();
    return false;
}

QString SingleInstance::lockPathFor(const QString &programFile)
{
    const QByteArray key =
        QCryptographicHash::hash(fileIdentity(programFile).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString folder = lockFolder();
    if (folder.isEmpty())
        return {};
    return QDir(folder).filePath(QStringLiteral("quendral-%1.lock").arg(QString::fromLatin1(key)));
}

} // namespace quendral
