#include "actions/commandline.h"

namespace quendral {

QStringList splitCommandLine(const QString &line)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < line.size() && QStringView(u"\"`$\\").contains(line.at(i + 1))) {
                current += line.at(++i);
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == u'"')
                quoted = true;
            else
                current += c;
        }
    }
    // An unclosed quote ends with the line, as the launchers forgive it.
    if (inArgument)
        arguments.append(current);
    return arguments;
}

} // namespace quendral
