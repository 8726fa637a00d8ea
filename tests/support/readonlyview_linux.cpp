#include "support/testsupport.h"

#include <QFile>

#include <sched.h>
#include <sys/mount.h>

namespace quendral::test {

ReadOnlyView::ReadOnlyView(const QString &folder, const QString &mountPoint)
    : m_mountPoint(QFile::encodeName(mountPoint))
{
    // Private propagation keeps the mounts from reaching the host's namespace.
    const QByteArray source = QFile::encodeName(folder);
    m_mounted = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount(source.constData(), m_mountPoint.constData(), nullptr, MS_BIND, nullptr) == 0;
    if (m_mounted &&
        mount(nullptr, m_mountPoint.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        umount2(m_mountPoint.constData(), MNT_DETACH);
        m_mounted = false;
    }
}

ReadOnlyView::~ReadOnlyView()
{
    if (m_mounted)
        umount2(m_mountPoint.constData(), MNT_DETACH);
}

} // namespace quendral::test
