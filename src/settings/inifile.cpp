#include "settings/inifile.h"

#include "settings/atomicfile.h"
#include "settings/cp1250.h"

#include <QFileInfo>
#include <QStringList>

namespace quendral::ini {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// A line without its line-end characters.
QStringView content(QStringView line)
{
    while (!line.isEmpty() && (line.back() == u'\r' || line.back() == u'\n'))
        line.chop(1);
    return line;
}

// The section name of a "[name]" header line, or a null view for other lines.
QStringView sectionName(QStringView line)
{
    QStringView s = trimBlanks(content(line));
    if (!s.startsWith(u'['))
        return {};
    s = s.mid(1);
    const qsizetype close = s.indexOf(u']');
    if (close >= 0)
        s = s.left(close);
    return trimBlanks(s).isNull() ? QStringView(u"") : trimBlanks(s);
}

bool isKeyLine(QStringView line, QStringView key)
{
    const QStringView s = content(line);
    const qsizetype eq = s.indexOf(u'=');
    return eq >= 0 && trimBlanks(s.left(eq)).compare(key, Qt::CaseInsensitive) == 0;
}

QString valueOf(QStringView line)
{
    const QStringView s = content(line);
    QStringView value = trimBlanks(s.mid(s.indexOf(u'=') + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(kMaxValueLength).toString();
}

// Splits into lines that keep their own line ends, so that untouched lines
// are written back exactly as they were.
QStringList splitKeepingEnds(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype nl = text.indexOf(u'\n', start);
        const qsizetype end = nl < 0 ? text.size() : nl + 1;
        lines.append(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

bool breaksStructure(const QString &s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

} // namespace

QString readFromText(const QString &text, const QString &section, const QString &key)
{
    bool inSection = false;
    for (const QString &line : splitKeepingEnds(text)) {
        const QStringView name = sectionName(line);
        if (!name.isNull()) {
            if (inSection)
                return {}; // only the first section of that name counts
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && isKeyLine(line, key))
            return valueOf(line);
    }
    return {};
}

QString writeToText(const QString &text, const QString &section, const QString &key, const QString &value)
{
    QStringList lines = splitKeepingEnds(text);
    const QString newline = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const QString keyLine = key + u'=' + value + newline;

    qsizetype sectionAt = -1;
    qsizetype lastContentInSection = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (sectionAt >= 0)
                break;
            if (name.compare(section, Qt::CaseInsensitive) == 0)
                sectionAt = lastContentInSection = i;
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (isKeyLine(lines[i], key)) {
            lines[i] = keyLine;
            return lines.join(QString());
        }
        if (!trimBlanks(content(lines[i])).isEmpty())
            lastContentInSection = i;
    }

    // Make sure the line we append after ends in a line break.
    auto terminate = [&](qsizetype i) {
        if (i >= 0 && !lines[i].endsWith(u'\n'))
            lines[i] += newline;
    };
    if (sectionAt >= 0) {
        terminate(lastContentInSection);
        lines.insert(lastContentInSection + 1, keyLine);
    } else {
        terminate(lines.size() - 1);
        lines.append(u'[' + section + u']' + newline);
        lines.append(keyLine);
    }
    return lines.join(QString());
}

QString read(const QString &file, const QString &section, const QString &key)
{
    QByteArray bytes;
    if (!readWholeFile(file, kMaxFileBytes, &bytes))
        return {};
    return readFromText(decodeUtf8OrCp1250(bytes), section, key);
}

bool write(const QString &file, const QString &section, const QString &key, const QString &value)
{
    if (breaksStructure(section) || breaksStructure(key) || breaksStructure(value) || key.contains(u'=') ||
        section.contains(u']') || trimBlanks(key).isEmpty())
        return false;
    QByteArray bytes;
    if (QFileInfo::exists(file) && !readWholeFile(file, kMaxFileBytes, &bytes))
        return false;
    const QString text = writeToText(decodeUtf8OrCp1250(bytes), section, key, value);
    return writeFileAtomically(file, text.toUtf8());
}

} // namespace quendral::ini
