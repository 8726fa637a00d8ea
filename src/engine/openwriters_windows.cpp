#include "engine/openwriters.h"

#include <QDir>

#include <windows.h>

namespace quendral::openwriters {

// Windows keeps a file that a program writes locked against other writers:
// a file we cannot open while sharing only reading is being written. The
// process table is not needed, so `procRoot` and `progress` have no meaning
// here.
Writers scan(const QStringList &files, std::chrono::steady_clock::time_point deadline, const QString &, Progress *)
{
    Writers result;
    for (const QString &file : files) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.unfinished.insert(file, QStringLiteral("no time was left to ask"));
            continue;
        }
        const HANDLE handle =
            CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(file).utf16()), GENERIC_READ,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_SHARING_VIOLATION)
                result.writing.insert(file);
            continue;
        }
        CloseHandle(handle);
    }
    return result;
}

Writers writing(const QStringList &files, std::chrono::steady_clock::time_point deadline, Progress *)
{
    return scan(files, deadline);
}

} // namespace quendral::openwriters
