#include "watchlist/drives.h"

#include <QDir>
#include <QStorageInfo>

namespace quendral {

namespace {

bool isNetworkFileSystem(const QByteArray &type)
{
    static const QList<QByteArray> types{"nfs",   "nfs4", "cifs", "smb3",  "smbfs",      "fuse.sshfs",
                                         "davfs", "9p",   "afs",  "ncpfs", "fuse.rclone"};
    return types.contains(type);
}

// Desktops mount removable media below these folders.
bool isRemovableMount(const QString &root)
{
    return root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/")) ||
           root.startsWith(QLatin1String("/mnt/"));
}

} // namespace

// A single file-system tree has no drives: the root comes first, the home
// folder second (where the chooser opens), then each mounted removable or
// network volume, which may be gone by the time the user picks it.
QList<DriveEntry> systemDrives()
{
    const QString root = QStringLiteral("/");
    const QString home = QDir::homePath();
    QList<DriveEntry> drives{{root, root}, {home, home}};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString path = volume.rootPath();
        if (path == root || path == home)
            continue;
        if (!isNetworkFileSystem(volume.fileSystemType()) && !isRemovableMount(path))
            continue;
        const QString name = volume.name();
        drives.append({name.isEmpty() ? path : path + QStringLiteral(" [") + name + u']', path});
    }
    return drives;
}

} // namespace quendral
