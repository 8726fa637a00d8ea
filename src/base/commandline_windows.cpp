#include "base/commandline.h"

#include <windows.h>

#include <shellapi.h>

namespace quendral {

QStringList splitCommandLine(const QString &line, QString *)
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

QString quoteCommandArgument(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t'))
        return argument;
    // Backslashes before the closing quote would escape it; doubled, they stay.
    QString text = argument;
    qsizetype trailing = 0;
    while (trailing < text.size() && text.at(text.size() - 1 - trailing) == u'\\')
        ++trailing;
    return u'"' + text + QString(trailing, u'\\') + u'"';
}

} // namespace quendral
