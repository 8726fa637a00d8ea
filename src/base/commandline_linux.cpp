#include "base/commandline.h"

namespace quendral {

namespace {

// The field codes of the Desktop Entry rules. None has a value here: the
// files and URLs are those a launcher was handed (none), the icon, the name
// and the entry's location those of a desktop entry (there is none); the
// deprecated ones are dropped by the rules themselves.
constexpr QStringView kFieldCodes = u"fFuUdDnNickvm";

} // namespace

QStringList splitCommandLine(const QString &line, QString *invalid)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'%') {
            const QChar code = i + 1 < line.size() ? line.at(++i) : QChar();
            if (code == u'%') {
                current += code;
                inArgument = true;
            } else if (code.isNull() || !kFieldCodes.contains(code)) {
                // The rules forbid running a line with a code they do not know.
                if (invalid)
                    *invalid = QStringLiteral("%%1 is no field code; write %% for a percent sign").arg(code);
                return {};
            }
        } else if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < line.size() && QStringView(u"\"`$\\").contains(line.at(i + 1))) {
                current += line.at(++i);
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            // An argument that was nothing but dropped field codes goes with them.
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

QString quoteCommandArgument(const QString &argument)
{
    static constexpr QStringView reserved = u" \t\n\"'\\><~|&;$*?#()`";
    QString text;
    bool quote = argument.isEmpty();
    for (const QChar c : argument) {
        quote = quote || reserved.contains(c);
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            text += u'\\';
        text += c;
        if (c == u'%')
            text += u'%';
    }
    if (quote)
        return u'"' + text + u'"';
    // Unquoted, a backslash would stand for itself; only "%" needed changing.
    return QString(argument).replace(u'%', QStringLiteral("%%"));
}

} // namespace quendral
