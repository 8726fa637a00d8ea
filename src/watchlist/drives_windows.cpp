#include "watchlist/drives.h"

#include <QDir>
#include <QStorageInfo>

namespace quendral {

// Every drive letter in order, shown as "c:" with the volume name after it
// when the drive has one; the chooser opens on the second, the first hard
// disk on a computer with a floppy drive.
QList<DriveEntry> systemDrives()
{
    QList<DriveEntry> drives;
    for (const QFileInfo &drive : QDir::drives()) {
        const QString root = drive.absoluteFilePath();
        QString text = root.left(2).toLower();
        const QString name = QStorageInfo(root).name();
        if (!name.isEmpty())
            text += QStringLiteral(" [") + name + u']';
        drives.append({text, root});
    }
    return drives;
}

} // namespace quendral
