#include "settings/regfile.h"

#include "settings/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace quendral::reg {

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");
constexpr qint64 kMaxHiveBytes = 16 * 1024 * 1024;

// Line breaks are escaped too: a raw one would end the line, cutting the
// value short and letting the rest of it read as other values or keys.
QString escape(const QString &s)
{
    QString out = s;
    out.replace(u'\\', QLatin1String("\\\\"));
    out.replace(u'"', QLatin1String("\\\""));
    out.replace(u'\n', QLatin1String("\\n"));
    out.replace(u'\r', QLatin1String("\\r"));
    return out;
}

QChar unescaped(QChar c)
{
    return c == u'n' ? QChar(u'\n') : c == u'r' ? QChar(u'\r') : c;
}

// Reads a quoted string starting at `pos` (which holds the opening quote);
// leaves `pos` after the closing quote. Returns false when it is unterminated.
bool readQuoted(const QString &line, qsizetype &pos, QString *out)
{
    out->clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == u'\\' && pos + 1 < line.size()) {
            out->append(unescaped(line[++pos]));
        } else if (c == u'"') {
            ++pos;
            return true;
        } else {
            out->append(c);
        }
    }
    return false;
}

bool parseValueLine(const QString &line, Value *value)
{
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        value->name.clear();
        pos = 1;
    } else if (!line.startsWith(u'"') || !readQuoted(line, pos, &value->name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != u'=')
        return false;
    ++pos;
    if (pos < line.size() && line[pos] == u'"') {
        value->type = REG_SZ;
        return readQuoted(line, pos, &value->text);
    }
    if (line.mid(pos).startsWith(QLatin1String("dword:"))) {
        bool ok = false;
        value->dword = line.mid(pos + 6).trimmed().toUInt(&ok, 16);
        value->type = REG_DWORD;
        return ok;
    }
    value->type = kUnknown;
    value->rawLine = line;
    return true;
}

QString valueLine(const Value &v)
{
    if (v.type == kUnknown)
        return v.rawLine;
    const QString name = v.name.isEmpty() ? QStringLiteral("@") : u'"' + escape(v.name) + u'"';
    if (v.type == REG_DWORD)
        return name + QStringLiteral("=dword:%1").arg(v.dword, 8, 16, QChar(u'0'));
    return name + QStringLiteral("=\"") + escape(v.text) + u'"';
}

} // namespace

Value *Key::findValue(const QString &name)
{
    for (Value &v : values)
        if (v.name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

const Value *Key::findValue(const QString &name) const
{
    return const_cast<Key *>(this)->findValue(name);
}

void Key::setValue(const Value &value)
{
    if (Value *existing = findValue(value.name)) {
        const QString keptName = existing->name;
        *existing = value;
        existing->name = keptName;
    } else {
        values.append(value);
    }
}

bool Key::removeValue(const QString &name)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            values.removeAt(i);
            return true;
        }
    }
    return false;
}

Hive Hive::parse(const QString &text)
{
    Hive hive;
    Key *current = nullptr;
    const QStringList lines = text.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString path = line.mid(1, line.size() - 2);
            if (path.startsWith(u'-')) { // a deletion line of an export: nothing to keep
                current = nullptr;
                continue;
            }
            current = &hive.ensureKey(path);
            continue;
        }
        Value value;
        if (current && parseValueLine(line, &value))
            current->setValue(value);
    }
    return hive;
}

QString Hive::serialize() const
{
    QString out = kHeader + QStringLiteral("\n");
    for (const Key &key : keys) {
        out += QStringLiteral("\n[") + key.path + QStringLiteral("]\n");
        for (const Value &v : key.values)
            out += valueLine(v) + u'\n';
    }
    return out;
}

bool Hive::load(const QString &file)
{
    keys.clear();
    if (!QFileInfo::exists(file))
        return true;
    QByteArray bytes;
    if (!readWholeFile(file, kMaxHiveBytes, &bytes))
        return false;
    *this = parse(QString::fromUtf8(bytes));
    return true;
}

bool Hive::save(const QString &file) const
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    return writeFileAtomically(file, serialize().toUtf8());
}

Key *Hive::findKey(const QString &path)
{
    for (Key &key : keys)
        if (key.path.compare(path, Qt::CaseInsensitive) == 0)
            return &key;
    return nullptr;
}

const Key *Hive::findKey(const QString &path) const
{
    return const_cast<Hive *>(this)->findKey(path);
}

bool Hive::keyExists(const QString &path) const
{
    const QString prefix = path + u'\\';
    for (const Key &key : keys)
        if (key.path.compare(path, Qt::CaseInsensitive) == 0 || key.path.startsWith(prefix, Qt::CaseInsensitive))
            return true;
    return false;
}

Key &Hive::ensureKey(const QString &path)
{
    if (Key *key = findKey(path))
        return *key;
    keys.append(Key{path, {}});
    return keys.last();
}

bool Hive::removeKey(const QString &path)
{
    const QString prefix = path + u'\\';
    const auto removed = keys.removeIf([&](const Key &key) {
        return key.path.compare(path, Qt::CaseInsensitive) == 0 || key.path.startsWith(prefix, Qt::CaseInsensitive);
    });
    return removed > 0;
}

QString userHivePath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Quendral/user.reg");
}

QString machineHivePath()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    QString first = dirs.section(u':', 0, 0);
    if (first.isEmpty())
        first = QStringLiteral("/etc/xdg");
    return first + QStringLiteral("/Quendral/system.reg");
}

} // namespace quendral::reg
