#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

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
    const int fd = ::open(QFile::encodeName(m_folder + QStringLiteral("/.filler/filler")).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    static const char block[4096] = {};
    while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
    }
    ::close(fd);
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
