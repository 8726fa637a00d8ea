#include "tray/singleinstance.h"

#include "base/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <windows.h>

namespace quendral {

// The user's own local application data folder: other users cannot write there.
QString SingleInstance::lockFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quendral");
    return QDir().mkpath(folder) ? folder : QString();
}

// One file has many spellings on Windows: any letter case, its 8.3 short
// name, another drive letter or share mapped onto the same folder, a link.
// The volume's serial number and the file's index name it whatever the path.
QString SingleInstance::fileIdentity(const QString &programFile)
{
    const QString native = QDir::toNativeSeparators(QFileInfo(programFile).absoluteFilePath());
    const HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (known)
        return QStringLiteral("%1:%2:%3")
            .arg(info.dwVolumeSerialNumber, 8, 16, QLatin1Char('0'))
            .arg(info.nFileIndexHigh, 8, 16, QLatin1Char('0'))
            .arg(info.nFileIndexLow, 8, 16, QLatin1Char('0'));
    // Without the file's identity, at least every letter case is one file.
    qCWarning(lcTray) << "Reading the identity of" << native << "failed: error" << error;
    return native.toCaseFolded();
}

} // namespace quendral
