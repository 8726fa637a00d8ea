#include "actions/commandline.h"

#include <windows.h>

#include <shellapi.h>

namespace quendral {

QStringList splitCommandLine(const QString &line)
{
    if (line.trimmed().isEmpty())
        return {};
    int count = 0;
    wchar_t **argv = CommandLineToArgvW(reinterpret_cast<const wchar_t *>(line.utf16()), &count);
    QStringList arguments;
    for (int i = 0; argv && i < count; ++i)
        arguments.append(QString::fromWCharArray(argv[i]));
    LocalFree(argv);
    return arguments;
}

} // namespace quendral
