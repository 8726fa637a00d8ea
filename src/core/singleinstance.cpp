#include "core/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
    return m_lock.isLocked() || m_lock.tryLock(0);
}

QString SingleInstance::lockPathFor(const QString &programFile)
{
    const QFileInfo info(programFile);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray key = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("quendral-%1.lock").arg(QString::fromLatin1(key)));
}

} // namespace quendral
