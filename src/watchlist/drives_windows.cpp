#include "watchlist/drives.h"

#include <QDir>
#include <QStorageInfo>

namespace quendral {

// Every drive letter in order, shown as "C:" with the volume name after it
// when the drive has one, in the letter case the folder list shows; the
// chooser opens on the second, the first hard disk on a computer with a
// floppy drive.
QList<DriveEntry> systemDrives()
{
    QList<DriveEntry> drives;
    for (const QFileInfo &drive : QDir::drives()) {
        const QString root = QDir::toNativeSeparators(drive.absoluteFilePath());
        QString text = root.left(2).toUpper();
        const QString name = QStorageInfo(root).name();
        if (!name.isEmpty())
            text += QStringLiteral(" [") + name + u']';
        drives.append({text, root});
    }
    return drives;
}

} // namespace quendral
