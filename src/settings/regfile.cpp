#include "settings/regfile.h"

#include "kit/logging.h"
#include "settings/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>

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
        if (v.type != kOpaque && v.name.compare(name, Qt::CaseInsensitive) == 0)
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
        // Before the blank lines that part this key from the next.
        qsizetype at = values.size();
        while (at > 0 && values[at - 1].type == kOpaque && values[at - 1].raw.trimmed().isEmpty())
            --at;
        values.insert(at, value);
    }
}

bool Key::removeValue(const QString &name)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values[i].type != kOpaque && values[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            values.removeAt(i);
            return true;
        }
    }
    return false;
}

namespace {

const QString kHeader4 = QStringLiteral("REGEDIT4");

// CR LF when the text has it, else LF, else CR.
template <typename Text> QByteArray newlineOf(const Text &text)
{
    if (text.contains("\r\n"))
        return "\r\n";
    return text.contains('\n') || !text.contains('\r') ? QByteArray("\n") : QByteArray("\r");
}

// The lines without their line ends; nothing after a final line end.
template <typename Text> QList<Text> splitLines(const Text &text, const QByteArray &newline)
{
    QList<Text> lines;
    const QLatin1String separator(newline);
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf(separator, start);
        lines.append(text.mid(start, end < 0 ? -1 : end - start));
        if (end < 0)
            break;
        start = end + separator.size();
    }
    return lines;
}

struct Cached
{
    FileStamp stamp;
    std::shared_ptr<const Hive> hive;
};

} // namespace

Hive Hive::parse(const QString &text)
{
    const QByteArray newline = newlineOf(text);
    const QStringList lines = splitLines(text, newline);
    QList<QByteArray> raws;
    for (const QString &line : lines)
        raws.append(line.toUtf8());
    Hive hive = parseLines(raws, lines);
    hive.m_newline = newline;
    return hive;
}

// One pass, names looked up through an index: a store of many values loads
// in time linear in its size.
Hive Hive::parseLines(const QList<QByteArray> &raws, const QStringList &lines)
{
    Hive hive;
    QHash<QString, qsizetype> keyAt;   // case-folded path
    QHash<QString, qsizetype> valueAt; // key index and case-folded value name
    qsizetype current = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString path = line.mid(1, line.size() - 2);
            const auto found = keyAt.constFind(path.toCaseFolded());
            if (found == keyAt.cend()) {
                current = hive.keys.size();
                keyAt.insert(path.toCaseFolded(), current);
                hive.keys.append(Key{path, {}, raws[i]});
            } else {
                // A key listed twice is read as one; its second header stays.
                current = found.value();
                hive.keys[current].values.append(Value{{}, kOpaque, {}, 0, {}, raws[i]});
            }
            continue;
        }
        if (current < 0) {
            hive.m_preamble.append(raws[i]);
            continue;
        }
        Key &key = hive.keys[current];
        Value value;
        if (!parseValueLine(line, &value))
            value = Value{{}, kOpaque, {}, 0, {}, {}};
        value.raw = raws[i];
        if (value.type != kOpaque) {
            const QString slot = QString::number(current) + u'\n' + value.name.toCaseFolded();
            const auto earlier = valueAt.constFind(slot);
            if (earlier != valueAt.cend())
                key.values[earlier.value()].type = kOpaque;
            valueAt.insert(slot, key.values.size());
        }
        key.values.append(value);
    }
    return hive;
}

QByteArray Hive::serialize() const
{
    const auto encode = [this](const QString &line) {
        if (!m_utf16)
            return line.toUtf8();
        QStringEncoder encoder(*m_utf16, QStringEncoder::Flag::Stateless);
        return QByteArray(encoder.encode(line));
    };
    const QByteArray newline = encode(QString::fromLatin1(m_newline));
    QByteArray out = m_mark;
    const auto add = [&](const QByteArray &line) { out += line + newline; };
    if (m_preamble.isEmpty())
        add(encode(kHeader));
    for (const QByteArray &line : m_preamble)
        add(line);
    for (const Key &key : keys) {
        if (key.raw.isEmpty()) {
            add({});
            add(encode(u'[' + key.path + u']'));
        } else {
            add(key.raw);
        }
        for (const Value &v : key.values)
            add(v.type == kOpaque || !v.raw.isEmpty() ? v.raw : encode(valueLine(v)));
    }
    return out;
}

bool Hive::load(const QString &file)
{
    *this = Hive();
    if (!QFileInfo::exists(file))
        return true;
    QByteArray bytes;
    if (!readWholeFile(file, kMaxHiveBytes, &bytes)) {
        qCWarning(lcStore) << "Reading" << file << "failed: unreadable, or larger than" << kMaxHiveBytes << "bytes";
        return false;
    }
    Hive hive;
    QStringList lines;
    QList<QByteArray> raws;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        hive.m_utf16 = bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        hive.m_mark = bytes.left(2);
        QStringDecoder decoder(*hive.m_utf16, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        hive.m_newline = newlineOf(text);
        lines = splitLines(text, hive.m_newline);
        QStringEncoder encoder(*hive.m_utf16, QStringEncoder::Flag::Stateless);
        for (const QString &line : std::as_const(lines))
            raws.append(encoder.encode(line));
    } else {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            hive.m_mark = bytes.left(3);
        const QByteArray text = bytes.mid(hive.m_mark.size());
        hive.m_newline = newlineOf(text);
        raws = splitLines(text, hive.m_newline);
        for (const QByteArray &raw : std::as_const(raws))
            lines.append(QString::fromUtf8(raw));
    }
    if (std::all_of(lines.cbegin(), lines.cend(), [](const QString &line) { return line.trimmed().isEmpty(); }))
        return true;
    // Anything else is not ours to rewrite.
    if (lines.first().trimmed() != kHeader && lines.first().trimmed() != kHeader4) {
        qCWarning(lcStore) << "Reading" << file << "failed: not a registry export, left as it is";
        return false;
    }
    const Hive parsed = parseLines(raws, lines);
    hive.keys = parsed.keys;
    hive.m_preamble = parsed.m_preamble;
    *this = hive;
    return true;
}

std::shared_ptr<const Hive> Hive::loadShared(const QString &file)
{
    static QMutex mutex;
    static QHash<QString, Cached> cache;
    const FileStamp stamp = fileStamp(file);
    {
        QMutexLocker lock(&mutex);
        const auto found = cache.constFind(file);
        if (stamp.exists && found != cache.cend() && found->stamp == stamp)
            return found->hive;
    }
    auto hive = std::make_shared<Hive>();
    if (!hive->load(file))
        return nullptr;
    if (stamp.isSettled()) {
        QMutexLocker lock(&mutex);
        if (cache.size() >= 4 && !cache.contains(file))
            cache.clear();
        cache.insert(file, Cached{stamp, hive});
    }
    return hive;
}

bool Hive::save(const QString &file) const
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        qCWarning(lcStore) << "Writing" << file << "failed: its folder cannot be made";
        return false;
    }
    return writeFileAtomically(file, serialize());
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
    keys.append(Key{path, {}, {}});
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
