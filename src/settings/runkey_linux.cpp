#include "settings/runkey.h"

#include "base/logging.h"
#include "settings/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <algorithm>

namespace quendral::runkey {

namespace {

constexpr qint64 kMaxEntryBytes = 1024 * 1024;
const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

// The escapes of a value of type string: "\s" for a leading blank, "\n",
// "\t", "\r" and "\\".
QString escapeString(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else if (c == u' ' && i == 0)
            out += QLatin1String("\\s");
        else
            out += c;
    }
    return out;
}

QString unescapeString(const QString &text)
{
    static const QHash<QChar, QChar> escapes{{u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && escapes.contains(text[i + 1]))
            out += escapes.value(text[++i]);
        else
            out += text[i];
    }
    return out;
}

// One program path as the Exec key wants it: always in double quotes, with
// '"', '`', '$' and '\' escaped inside them and '%' doubled (a single one would
// start a field code); then the string escapes of the value type on top.
// GLib looks the program up before it undoes "%%", so a path with "%" is
// started through env, as an argument, where the escape is undone first.
QString execValue(const QString &path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(u'%', QLatin1String("%%"));
    if (path.contains(u'%'))
        quoted.prepend(QLatin1String("env "));
    return escapeString(quoted);
}

// The reverse of execValue for an entry we wrote; the Exec text of another
// program's entry comes back as it stands.
QString commandFromExec(QString exec)
{
    if (exec.startsWith(QLatin1String("env \"")))
        exec.remove(0, 4);
    if (!exec.startsWith(u'"'))
        return QString(exec).replace(QLatin1String("%%"), QLatin1String("%"));
    QString path;
    for (qsizetype i = 1; i < exec.size(); ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size())
            path += exec[++i];
        else if (exec[i] == u'"')
            break;
        else
            path += exec[i];
    }
    return path.replace(QLatin1String("%%"), QLatin1String("%"));
}

// The keys of the "Desktop Entry" group, values unescaped; the first of two
// equal keys wins.
bool readEntry(const QString &path, QHash<QString, QString> *keys)
{
    QByteArray bytes;
    if (!readWholeFile(path, kMaxEntryBytes, &bytes))
        return false;
    bool inGroup = false;
    for (QString line : QString::fromUtf8(bytes).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inGroup || line.startsWith(u'#') || eq < 1)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!keys->contains(key))
            keys->insert(key, unescapeString(line.mid(eq + 1).trimmed()));
    }
    return true;
}

// The entry of that value, when its file exists and names it.
bool findEntry(const QString &valueName, QHash<QString, QString> *keys)
{
    return readEntry(entryPath(valueName), keys) &&
           keys->value(QStringLiteral("Name")).compare(valueName, Qt::CaseInsensitive) == 0;
}

} // namespace

bool isRunKey(registry::Root root, const QString &subkey)
{
    return root == registry::Root::CurrentUser && subkey.compare(kRunKey, Qt::CaseInsensitive) == 0;
}

QString autostartFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

QString entryPath(const QString &valueName)
{
    QString id = valueName.toLower();
    for (QChar &c : id) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'-';
        if (!plain)
            c = u'-';
    }
    return autostartFolder() + u'/' + id + QStringLiteral(".desktop");
}

QString desktopEntry(const QString &valueName, const QString &command,
                     const QList<std::pair<QString, QString>> &moreKeys)
{
    // TryExec: once the program is gone (the package removed), the desktop
    // skips the entry instead of trying to start a missing file at every login.
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + escapeString(valueName) +
                    QStringLiteral("\nExec=") + execValue(command) + QStringLiteral("\nTryExec=") +
                    escapeString(command) + u'\n';
    for (const auto &[key, value] : moreKeys)
        entry += key + u'=' + escapeString(value) + u'\n';
    return entry;
}

QString entryProgram(const QString &path)
{
    QHash<QString, QString> keys;
    if (!readEntry(path, &keys))
        return QString();
    const QString tryExec = keys.value(QStringLiteral("TryExec"));
    return tryExec.isEmpty() ? commandFromExec(keys.value(QStringLiteral("Exec"))) : tryExec;
}

long readCommand(const QString &valueName, QString *command)
{
    QHash<QString, QString> keys;
    if (valueName.isEmpty() || !findEntry(valueName, &keys))
        return registry::kNotFound;
    if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return registry::kNotFound;
    *command = commandFromExec(keys.value(QStringLiteral("Exec")));
    return registry::kSuccess;
}

long writeCommand(const QString &valueName, const QString &command)
{
    // A control character other than the escaped blanks cannot be written
    // into a desktop entry at all.
    const auto unwritable = [](QChar c) { return c.unicode() < 0x20 && c != u'\n' && c != u'\t' && c != u'\r'; };
    if (valueName.isEmpty() || std::any_of(command.begin(), command.end(), unwritable) ||
        std::any_of(valueName.begin(), valueName.end(), unwritable))
        return registry::kInvalidParameter;
    if (!QDir().mkpath(autostartFolder())) {
        qCWarning(lcStore) << "Making the autostart folder" << autostartFolder() << "failed";
        return registry::kAccessDenied;
    }
    const bool written = writeFileAtomically(entryPath(valueName), desktopEntry(valueName, command).toUtf8());
    return written ? registry::kSuccess : registry::kAccessDenied;
}

long removeCommand(const QString &valueName)
{
    QHash<QString, QString> keys;
    if (valueName.isEmpty() || !findEntry(valueName, &keys))
        return registry::kNotFound;
    QFile entry(entryPath(valueName));
    if (entry.remove())
        return registry::kSuccess;
    qCWarning(lcStore) << "Removing" << entry.fileName() << "failed:" << entry.errorString();
    return registry::kAccessDenied;
}

} // namespace quendral::runkey
