#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sched.h>
#include <sys/mount.h>

namespace quendral::test {

FullDisk::FullDisk(const QString &folder)
    : m_folder(QDir::cleanPath(folder))
{
    QHash<QString, QByteArray> files;
    for (QDirIterator it(m_folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(m_folder).relativeFilePath(file.fileName()), file.readAll());
    }
    QDir().mkpath(m_folder);
    const QByteArray mountPoint = QFile::encodeName(m_folder);
    m_mounted = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") == 0;
    if (!m_mounted)
        return;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QDir().mkpath(QFileInfo(m_folder + u'/' + it.key()).absolutePath());
        QFile copy(m_folder + u'/' + it.key());
        if (!copy.open(QIODevice::WriteOnly) || copy.write(it.value()) != it.value().size())
            qFatal("FullDisk: %s does not fit", qPrintable(it.key()));
    }
    QDir().mkpath(m_folder + QStringLiteral("/.filler"));
    QFile filler(m_folder + QStringLiteral("/.filler/filler"));
    const QByteArray block(4096, '\0');
    if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        while (filler.write(block) > 0) {
        }
    }
}

FullDisk::~FullDisk()
{
    if (m_mounted)
        umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void FullDisk::makeRoom() const
{
    QFile::remove(m_folder + QStringLiteral("/.filler/filler"));
}

} // namespace quendral::test
