#include "engine/remotefolder.h"

#include <QDir>

#include <windows.h>

namespace quendral {

// Windows tells the kind of a drive at once: a folder on a network drive may
// keep a test waiting, a local one does not. There is no mount table to read.
RemoteFolders::RemoteFolders(const QString &) {}

RemoteFolders::~RemoteFolders() = default;

bool RemoteFolders::mayBlock(const QString &folder)
{
    const QString native = QDir::toNativeSeparators(QDir(folder).absolutePath());
    // "\\server\share\..." is always a network path; otherwise ask about the drive root "C:\".
    if (native.startsWith(QLatin1String("\\\\")))
        return true;
    const QString root = native.left(3);
    return GetDriveTypeW(reinterpret_cast<const wchar_t *>(root.utf16())) == DRIVE_REMOTE;
}

} // namespace quendral
