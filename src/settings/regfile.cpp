#include "settings/regfile.h"

#include "base/logging.h"
#include "settings/atomicfile.h"

#include <QCryptographicHash>
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
        const QByteArray keptEnd = existing->end;
        *existing = value;
        existing->name = keptName;
        existing->end = keptEnd;
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

// The lines without their line ends, and each line's end: CR LF, LF or a lone
// CR, whichever ends it, so that a file edited by tools of both kinds reads
// whole. A last line without an end has "" there.
template <typename Text> QList<Text> splitLines(const Text &text, QList<QByteArray> *ends)
{
    QList<Text> lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        lines.append(text.mid(start, end - start));
        if (end == size) {
            ends->append(QByteArray());
            break;
        }
        const bool crlf = text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n';
        ends->append(crlf ? QByteArray("\r\n") : text[end] == u'\r' ? QByteArray("\r") : QByteArray("\n"));
        start = end + (crlf ? 2 : 1);
    }
    return lines;
}

// The most common line end, for lines the store adds; CR LF before LF before
// CR when as common, LF in a file of one line.
QByteArray commonEnd(const QList<QByteArray> &ends)
{
    const QByteArray kinds[] = {"\r\n", "\n", "\r"};
    QByteArray best = "\n";
    qsizetype bestCount = 0;
    for (const QByteArray &kind : kinds) {
        const qsizetype count = ends.count(kind);
        if (count > bestCount) {
            best = kind;
            bestCount = count;
        }
    }
    return best;
}

} // namespace

Hive Hive::parse(const QString &text)
{
    QList<QByteArray> ends;
    const QStringList lines = splitLines(text, &ends);
    QList<QByteArray> raws;
    for (const QString &line : lines)
        raws.append(line.toUtf8());
    Hive hive = parseLines(raws, lines, ends);
    hive.m_newline = commonEnd(ends);
    return hive;
}

// One pass, names looked up through an index: a store of many values loads
// in time linear in its size.
Hive Hive::parseLines(const QList<QByteArray> &raws, const QStringList &lines, const QList<QByteArray> &ends)
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
                hive.keys.append(Key{path, {}, raws[i], ends[i]});
            } else {
                // A key listed twice is read as one; its second header stays.
                current = found.value();
                hive.keys[current].values.append(Value{{}, kOpaque, {}, 0, {}, raws[i], ends[i]});
            }
            continue;
        }
        if (current < 0) {
            hive.m_preamble.append(Line{raws[i], ends[i]});
            continue;
        }
        Key &key = hive.keys[current];
        Value value;
        if (!parseValueLine(line, &value))
            value = Value{{}, kOpaque, {}, 0, {}, {}, {}};
        value.raw = raws[i];
        value.end = ends[i];
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
    // Each line with the end it had; a new line, or a last line that had
    // none, with the file's most common one.
    QHash<QByteArray, QByteArray> encodedEnds;
    for (const char *end : {"\r\n", "\n", "\r"})
        encodedEnds.insert(end, encode(QString::fromLatin1(end)));
    QByteArray out = m_mark;
    const auto add = [&](const QByteArray &line, const QByteArray &end) {
        out += line + encodedEnds.value(end.isEmpty() ? m_newline : end);
    };
    if (m_preamble.isEmpty())
        add(encode(kHeader), {});
    for (const Line &line : m_preamble)
        add(line.raw, line.end);
    for (const Key &key : keys) {
        if (key.raw.isEmpty()) {
            add({}, {});
            add(encode(u'[' + key.path + u']'), {});
        } else {
            add(key.raw, key.end);
        }
        for (const Value &v : key.values)
            add(v.type == kOpaque || !v.raw.isEmpty() ? v.raw : encode(valueLine(v)), v.end);
    }
    return out;
}

namespace {

// The file's bytes; none for a missing file.
bool readStore(const QString &file, QByteArray *bytes)
{
    bytes->clear();
    if (!QFileInfo::exists(file))
        return true;
    if (readWholeFile(file, kMaxHiveBytes, bytes))
        return true;
    qCWarning(lcStore) << "Reading" << file << "failed: unreadable, or larger than" << kMaxHiveBytes << "bytes";
    return false;
}

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// Hives as last loaded or saved. An entry is taken on its stamp alone once
// the file had settled when its bytes were read; before that, a write in the
// same clock tick could leave the stamp as it was, so the file is read again
// and its parse kept only while the bytes are the same: a read and a save in
// a row (the options window's Apply) parse a large store once.
struct Cached
{
    FileStamp stamp;
    bool settled = false;
    QByteArray digest;
    std::shared_ptr<const Hive> hive;
};

struct Cache
{
    QMutex mutex;
    QHash<QString, Cached> files;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

void remember(const QString &file, const FileStamp &stamp, const QByteArray &digest, std::shared_ptr<const Hive> hive)
{
    QMutexLocker lock(&cache().mutex);
    // The user's and the machine's store; more only in tests.
    QHash<QString, Cached> &files = cache().files;
    if (files.size() >= 4 && !files.contains(file))
        files.clear();
    files.insert(file, Cached{stamp, stamp.isSettled(), digest, std::move(hive)});
}

} // namespace

bool Hive::load(const QString &file)
{
    *this = Hive();
    QByteArray bytes;
    return readStore(file, &bytes) && fromBytes(bytes, file);
}

bool Hive::fromBytes(const QByteArray &bytes, const QString &file)
{
    Hive hive;
    QStringList lines;
    QList<QByteArray> raws;
    QList<QByteArray> ends;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        hive.m_utf16 = bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        hive.m_mark = bytes.left(2);
        QStringDecoder decoder(*hive.m_utf16, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        lines = splitLines(text, &ends);
        QStringEncoder encoder(*hive.m_utf16, QStringEncoder::Flag::Stateless);
        for (const QString &line : std::as_const(lines))
            raws.append(encoder.encode(line));
    } else {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            hive.m_mark = bytes.left(3);
        raws = splitLines(bytes.mid(hive.m_mark.size()), &ends);
        for (const QByteArray &raw : std::as_const(raws))
            lines.append(QString::fromUtf8(raw));
    }
    hive.m_newline = commonEnd(ends);
    if (std::all_of(lines.cbegin(), lines.cend(), [](const QString &line) { return line.trimmed().isEmpty(); }))
        return true;
    // Anything else is not ours to rewrite.
    if (lines.first().trimmed() != kHeader && lines.first().trimmed() != kHeader4) {
        qCWarning(lcStore) << "Reading" << file << "failed: not a registry export, left as it is";
        return false;
    }
    const Hive parsed = parseLines(raws, lines, ends);
    hive.keys = parsed.keys;
    hive.m_preamble = parsed.m_preamble;
    *this = hive;
    return true;
}

std::shared_ptr<const Hive> Hive::loadShared(const QString &file)
{
    const FileStamp stamp = fileStamp(file);
    if (!stamp.exists) {
        auto hive = std::make_shared<Hive>();
        return hive->load(file) ? hive : nullptr;
    }
    QByteArray digest;
    {
        QMutexLocker lock(&cache().mutex);
        const auto found = cache().files.constFind(file);
        if (found != cache().files.cend() && found->stamp == stamp && found->settled)
            return found->hive;
        if (found != cache().files.cend())
            digest = found->digest;
    }
    QByteArray bytes;
    if (!readStore(file, &bytes))
        return nullptr;
    const QByteArray read = digestOf(bytes);
    std::shared_ptr<const Hive> shared;
    if (!digest.isEmpty() && read == digest) {
        QMutexLocker lock(&cache().mutex);
        const auto found = cache().files.constFind(file);
        if (found != cache().files.cend() && found->digest == read)
            shared = found->hive;
    }
    if (!shared) {
        auto hive = std::make_shared<Hive>();
        if (!hive->fromBytes(bytes, file))
            return nullptr;
        shared = std::move(hive);
    }
    remember(file, stamp, read, shared);
    return shared;
}

bool Hive::save(const QString &file) const
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        qCWarning(lcStore) << "Writing" << file << "failed: its folder cannot be made";
        return false;
    }
    const QByteArray bytes = serialize();
    if (!writeFileAtomically(file, bytes))
        return false;
    // What was written reads as this hive: the next read need not parse it.
    remember(file, fileStamp(file), digestOf(bytes), std::make_shared<const Hive>(*this));
    return true;
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
    keys.append(Key{path, {}, {}, {}});
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
