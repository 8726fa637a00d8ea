#include "settings/inifile.h"

#include "base/logging.h"
#include "settings/atomicfile.h"
#include "settings/cp1250.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>
#include <memory>
#include <optional>
#include <variant>

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

QString valueOf(QStringView content)
{
    QStringView value = trimBlanks(content.mid(content.indexOf(u'=') + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(kMaxValueLength).toString();
}

bool breaksStructure(const QString &s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

bool isValidWrite(const QString &section, const QString &key, const QString &value)
{
    return !breaksStructure(section) && !breaksStructure(key) && !breaksStructure(value) && !key.contains(u'=') &&
           !section.contains(u']') && !trimBlanks(key).isEmpty();
}

// The lines of a file in one of two stores: the bytes of an 8-bit file (each
// line read as UTF-8 when it is valid UTF-8, else as Windows-1250, so one
// stray byte changes nothing else), or the text of a UTF-16 file. Edits
// replace or insert whole lines and leave every other byte as it was.
template <typename Units> class Lines
{
public:
    explicit Lines(Units units)
        : m_units(std::move(units))
    {
    }

    const Units &units() const { return m_units; }
    qsizetype size() const { return m_units.size(); }
    char16_t at(qsizetype i) const
    {
        if constexpr (std::is_same_v<Units, QByteArray>)
            return static_cast<unsigned char>(m_units[i]);
        else
            return m_units[i].unicode();
    }

    // The position of the next `c` from `from`, or -1.
    qsizetype find(char16_t c, qsizetype from) const
    {
        if constexpr (std::is_same_v<Units, QByteArray>) {
            const void *found = std::memchr(m_units.constData() + from, c, m_units.size() - from);
            return found ? static_cast<const char *>(found) - m_units.constData() : -1;
        } else {
            return m_units.indexOf(QChar(c), from);
        }
    }

    // The end of the line starting at `begin`, past its line break.
    qsizetype lineEnd(qsizetype begin) const
    {
        if constexpr (std::is_same_v<Units, QByteArray>) {
            const void *nl = std::memchr(m_units.constData() + begin, '\n', m_units.size() - begin);
            return nl ? static_cast<const char *>(nl) - m_units.constData() + 1 : m_units.size();
        } else {
            const qsizetype nl = m_units.indexOf(u'\n', begin);
            return nl < 0 ? m_units.size() : nl + 1;
        }
    }

    // The end of the line's text, before its line-end characters.
    qsizetype contentEnd(qsizetype begin, qsizetype end) const
    {
        while (end > begin && (at(end - 1) == u'\n' || at(end - 1) == u'\r'))
            --end;
        return end;
    }

    bool isHeader(qsizetype begin, qsizetype end) const
    {
        while (begin < end && (at(begin) == u' ' || at(begin) == u'\t'))
            ++begin;
        return begin < end && at(begin) == u'[';
    }

    bool hasEquals(qsizetype begin, qsizetype end) const
    {
        for (qsizetype i = begin; i < end; ++i)
            if (at(i) == u'=')
                return true;
        return false;
    }

    QString decode(qsizetype begin, qsizetype end) const
    {
        if constexpr (std::is_same_v<Units, QByteArray>) {
            const QByteArrayView bytes(m_units.constData() + begin, end - begin);
            bool ascii = true;
            for (char c : bytes)
                ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            if (ascii)
                return QString::fromLatin1(bytes);
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            QString text = utf8.decode(bytes);
            return utf8.hasError() ? decodeCp1250(bytes.toByteArray()) : text;
        } else {
            return m_units.mid(begin, end - begin);
        }
    }

    Units encode(const QString &text) const
    {
        if constexpr (std::is_same_v<Units, QByteArray>)
            return text.toUtf8();
        else
            return text;
    }

    void splice(qsizetype pos, qsizetype removed, const Units &inserted) { m_units.replace(pos, removed, inserted); }
    Units slice(qsizetype begin, qsizetype end) const { return m_units.mid(begin, end - begin); }

    bool usesCrLf() const
    {
        if constexpr (std::is_same_v<Units, QByteArray>)
            return m_units.contains("\r\n");
        else
            return m_units.contains(QLatin1String("\r\n"));
    }

private:
    Units m_units;
};

// A parsed file: its lines and where the first section of each name starts.
// Parsed in one pass; reads scan only the section they ask for.
template <typename Units> class Document
{
public:
    explicit Document(Units units)
        : m_lines(std::move(units))
    {
        // Only lines that open with "[" can be headers, so the pass looks for
        // that character alone: a file of blank lines costs a memory scan.
        for (qsizetype open = m_lines.find(u'[', 0); open >= 0; open = m_lines.find(u'[', open + 1)) {
            qsizetype begin = open;
            while (begin > 0 && (m_lines.at(begin - 1) == u' ' || m_lines.at(begin - 1) == u'\t'))
                --begin;
            if (begin > 0 && m_lines.at(begin - 1) != u'\n')
                continue;
            const QString name = sectionName(begin, m_lines.lineEnd(begin)).toCaseFolded();
            if (!m_sections.contains(name)) // the first one counts
                m_sections.insert(name, begin);
        }
    }

    const Units &units() const { return m_lines.units(); }

    QString value(const QString &section, const QString &key) const
    {
        QString found;
        forEachKey(section, [&](qsizetype, qsizetype, QStringView content, QStringView name) {
            if (name.compare(key, Qt::CaseInsensitive) != 0)
                return true;
            found = valueOf(content);
            return false;
        });
        return found;
    }

    QHash<QString, QString> section(const QString &section) const
    {
        QHash<QString, QString> values;
        forEachKey(section, [&](qsizetype, qsizetype, QStringView content, QStringView name) {
            const QString folded = name.toString().toCaseFolded();
            if (!values.contains(folded))
                values.insert(folded, valueOf(content));
            return true;
        });
        return values;
    }

    // The first value of each key asked for, by its case-folded name; the
    // pass stops once it has them all. A line of ASCII name is matched
    // without decoding it, so a section of millions of keys costs a scan.
    QHash<QString, QString> values(const QString &section, const QStringList &keys) const
    {
        QSet<QString> wanted;
        for (const QString &key : keys)
            wanted.insert(key.toCaseFolded());
        QHash<QString, QString> found;
        const auto header = m_sections.constFind(section.toCaseFolded());
        if (header == m_sections.cend() || wanted.isEmpty())
            return found;
        QString name;
        forEachLine(header.value(), [&](qsizetype begin, qsizetype end) {
            const qsizetype contentEnd = m_lines.contentEnd(begin, end);
            qsizetype nameBegin = begin;
            while (nameBegin < contentEnd && isBlank(QChar(m_lines.at(nameBegin))))
                ++nameBegin;
            qsizetype equals = nameBegin;
            bool ascii = true;
            for (; equals < contentEnd && m_lines.at(equals) != u'='; ++equals)
                ascii = ascii && m_lines.at(equals) < 0x80;
            if (equals == contentEnd)
                return true;
            qsizetype nameEnd = equals;
            while (nameEnd > nameBegin && isBlank(QChar(m_lines.at(nameEnd - 1))))
                --nameEnd;
            if (ascii) {
                name.resize(nameEnd - nameBegin);
                for (qsizetype i = nameBegin; i < nameEnd; ++i) {
                    const char16_t c = m_lines.at(i);
                    name[i - nameBegin] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
                }
            } else {
                const QString content = m_lines.decode(begin, contentEnd);
                name = trimBlanks(QStringView(content).left(content.indexOf(u'='))).toString().toCaseFolded();
            }
            if (wanted.contains(name) && !found.contains(name))
                found.insert(name, valueOf(m_lines.decode(begin, contentEnd)));
            return found.size() < wanted.size();
        });
        return found;
    }

    void set(const QString &section, const QString &key, const QString &value)
    {
        const QString newline = m_lines.usesCrLf() ? QStringLiteral("\r\n") : QStringLiteral("\n");
        const Units keyLine = m_lines.encode(key + u'=' + value + newline);
        const auto header = m_sections.constFind(section.toCaseFolded());
        if (header == m_sections.cend()) {
            const qsizetype pos = m_lines.size();
            const Units term = terminator(pos, newline);
            m_sections.insert(section.toCaseFolded(), pos + term.size());
            m_lines.splice(pos, 0, term + m_lines.encode(u'[' + section + u']' + newline) + keyLine);
            return;
        }
        qsizetype insertAt = m_lines.lineEnd(header.value());
        bool replaced = false;
        forEachLine(header.value(), [&](qsizetype begin, qsizetype end) {
            const qsizetype contentEnd = m_lines.contentEnd(begin, end);
            const QString content = m_lines.decode(begin, contentEnd);
            // As the system's profile writes do: a line without "=" is a key
            // with no value, and the key keeps the spelling it has in the file.
            qsizetype nameBegin = begin;
            while (nameBegin < contentEnd && isBlank(QChar(m_lines.at(nameBegin))))
                ++nameBegin;
            qsizetype nameEnd = nameBegin;
            while (nameEnd < contentEnd && m_lines.at(nameEnd) != u'=')
                ++nameEnd;
            while (nameEnd > nameBegin && isBlank(QChar(m_lines.at(nameEnd - 1))))
                --nameEnd;
            const qsizetype eq = content.indexOf(u'=');
            if (trimBlanks(QStringView(content).left(eq < 0 ? content.size() : eq)).compare(key, Qt::CaseInsensitive) ==
                0) {
                replace(begin, end - begin, m_lines.slice(nameBegin, nameEnd) + m_lines.encode(u'=' + value + newline));
                replaced = true;
                return false;
            }
            if (!trimBlanks(content).isEmpty())
                insertAt = end;
            return true;
        });
        if (!replaced)
            replace(insertAt, 0, terminator(insertAt, newline) + keyLine);
    }

private:
    QString sectionName(qsizetype begin, qsizetype end) const
    {
        const QString line = m_lines.decode(begin, m_lines.contentEnd(begin, end));
        QStringView s = trimBlanks(line).mid(1);
        const qsizetype close = s.indexOf(u']');
        if (close >= 0)
            s = s.left(close);
        return trimBlanks(s).toString();
    }

    // Calls `visit(begin, end)` for each line of the section body that starts
    // after the header at `header`, until it returns false.
    template <typename Visit> void forEachLine(qsizetype header, Visit visit) const
    {
        for (qsizetype begin = m_lines.lineEnd(header); begin < m_lines.size();) {
            const qsizetype end = m_lines.lineEnd(begin);
            if (m_lines.isHeader(begin, end) || !visit(begin, end))
                return;
            begin = end;
        }
    }

    // Calls `visit(begin, end, content, name)` for each key line of the first
    // section of that name, until it returns false.
    template <typename Visit> void forEachKey(const QString &section, Visit visit) const
    {
        const auto header = m_sections.constFind(section.toCaseFolded());
        if (header == m_sections.cend())
            return;
        forEachLine(header.value(), [&](qsizetype begin, qsizetype end) {
            const qsizetype contentEnd = m_lines.contentEnd(begin, end);
            if (!m_lines.hasEquals(begin, contentEnd))
                return true;
            const QString content = m_lines.decode(begin, contentEnd);
            return visit(begin, end, QStringView(content),
                         trimBlanks(QStringView(content).left(content.indexOf(u'='))));
        });
    }

    // A line break for the line ending at `pos` when it has none.
    Units terminator(qsizetype pos, const QString &newline) const
    {
        return pos > 0 && m_lines.at(pos - 1) != u'\n' ? m_lines.encode(newline) : Units();
    }

    void replace(qsizetype pos, qsizetype removed, const Units &inserted)
    {
        m_lines.splice(pos, removed, inserted);
        const qsizetype shift = inserted.size() - removed;
        for (qsizetype &begin : m_sections)
            if (begin >= pos + removed)
                begin += shift;
    }

    Lines<Units> m_lines;
    QHash<QString, qsizetype> m_sections;
};

// A stored file: 8-bit text, with or without a UTF-8 byte-order mark, or
// UTF-16 with a byte-order mark as Windows editors save it. The mark and the
// encoding stay as they were.
class StoredFile
{
public:
    explicit StoredFile(const QByteArray &bytes)
        : m_lines(Document<QByteArray>(QByteArray()))
    {
        const auto startsWith = [&](const char *mark) { return bytes.startsWith(QByteArrayView(mark)); };
        if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
            m_utf16 = startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
            m_mark = bytes.left(2);
            QStringDecoder decoder(*m_utf16, QStringDecoder::Flag::Stateless);
            m_lines = Document<QString>(decoder.decode(QByteArrayView(bytes).sliced(2)));
            return;
        }
        if (startsWith("\xEF\xBB\xBF"))
            m_mark = bytes.left(3);
        m_lines = Document<QByteArray>(bytes.mid(m_mark.size()));
    }

    QString value(const QString &section, const QString &key) const
    {
        return std::visit([&](const auto &lines) { return lines.value(section, key); }, m_lines);
    }
    QHash<QString, QString> section(const QString &section) const
    {
        return std::visit([&](const auto &lines) { return lines.section(section); }, m_lines);
    }
    QHash<QString, QString> values(const QString &section, const QStringList &keys) const
    {
        return std::visit([&](const auto &lines) { return lines.values(section, keys); }, m_lines);
    }
    void set(const QString &section, const QString &key, const QString &value)
    {
        std::visit([&](auto &lines) { lines.set(section, key, value); }, m_lines);
    }

    QByteArray bytes() const
    {
        if (const auto *bytes = std::get_if<Document<QByteArray>>(&m_lines))
            return m_mark + bytes->units();
        QStringEncoder encoder(*m_utf16, QStringEncoder::Flag::Stateless);
        return m_mark + QByteArray(encoder.encode(std::get<Document<QString>>(m_lines).units()));
    }

private:
    std::variant<Document<QByteArray>, Document<QString>> m_lines;
    std::optional<QStringConverter::Encoding> m_utf16;
    QByteArray m_mark;
};

// Files are kept until their modification time or size changes, so that the
// monitoring tick and the language pass read each file once. The memory kept
// is bounded whatever the files hold: a file is kept parsed only up to
// kMaxKeptBytes (the settings file and the language files are far smaller);
// of a larger one only the values read from it are kept, up to kMaxValues.
class Cache
{
public:
    // The parsed file; an empty file for a missing one, null for an
    // unreadable or oversized one.
    std::shared_ptr<const StoredFile> load(const QString &path)
    {
        const FileStamp stamp = fileStamp(path);
        QMutexLocker lock(&m_mutex);
        const auto cached = m_files.constFind(path);
        if (stamp.exists && cached != m_files.cend() && cached->stamp == stamp && cached->file)
            return cached->file;
        lock.unlock();
        if (!stamp.exists && !QFile::exists(path))
            return std::make_shared<const StoredFile>(QByteArray());
        QByteArray bytes;
        if (!readWholeFile(path, kMaxFileBytes, &bytes)) {
            qCWarning(lcStore) << "Reading" << path << "failed: unreadable, or larger than" << kMaxFileBytes << "bytes";
            return nullptr;
        }
        auto file = std::make_shared<const StoredFile>(bytes);
        if (bytes.size() == stamp.size && stamp.isSettled())
            remember(path, stamp, bytes.size() <= kMaxKeptBytes ? file : nullptr);
        return file;
    }

    // The first value of each key asked for (by the key as asked), missing
    // for an absent key; kept with the file's stamp, so that the tick's list
    // read costs a stat and a look-up.
    QHash<QString, QString> values(const QString &path, const QString &section, const QStringList &keys, char kind)
    {
        const QString prefix = kind + section.toCaseFolded() + u'\n';
        QHash<QString, QString> found;
        QStringList missing;
        const FileStamp stamp = fileStamp(path);
        {
            QMutexLocker lock(&m_mutex);
            const auto cached = m_files.constFind(path);
            const bool current = stamp.exists && cached != m_files.cend() && cached->stamp == stamp;
            for (const QString &key : keys) {
                const auto known = current ? cached->values.constFind(prefix + key) : decltype(cached->values.cend())();
                if (!current || known == cached->values.cend())
                    missing.append(key);
                else if (*known)
                    found.insert(key, **known);
            }
        }
        if (missing.isEmpty())
            return found;
        const std::shared_ptr<const StoredFile> file = load(path);
        if (!file)
            return found;
        QHash<QString, std::optional<QString>> read;
        if (kind == 'r') {
            // One key, found as a single read finds it.
            for (const QString &key : std::as_const(missing))
                read.insert(key, file->value(section, key));
        } else {
            const QHash<QString, QString> values = file->values(section, missing);
            for (const QString &key : std::as_const(missing)) {
                const auto value = values.constFind(key.toCaseFolded());
                read.insert(key, value == values.cend() ? std::nullopt : std::optional(*value));
            }
        }
        QMutexLocker lock(&m_mutex);
        const auto cached = m_files.find(path);
        const bool keep = cached != m_files.end() && cached->stamp == stamp;
        if (keep && cached->values.size() + read.size() > kMaxValues)
            cached->values.clear();
        for (auto value = read.cbegin(); value != read.cend(); ++value) {
            if (keep && read.size() <= kMaxValues)
                cached->values.insert(prefix + value.key(), value.value());
            if (value.value())
                found.insert(value.key(), *value.value());
        }
        return found;
    }

private:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const StoredFile> file; // null for a file too large to keep
        // Values read so far, by kind, case-folded section and key; nullopt
        // for an absent key.
        QHash<QString, std::optional<QString>> values;
    };
    // The settings file and a language file or two; more only in tests.
    static constexpr qsizetype kMaxFiles = 8;
    static constexpr qint64 kMaxKeptBytes = 4 * 1024 * 1024;
    // The watch list's slots and the options, many times over.
    static constexpr qsizetype kMaxValues = 1024;

    void remember(const QString &path, const FileStamp &stamp, std::shared_ptr<const StoredFile> file)
    {
        QMutexLocker lock(&m_mutex);
        const auto cached = m_files.find(path);
        if (cached != m_files.end() && cached->stamp == stamp) {
            cached->file = std::move(file);
            return;
        }
        if (m_files.size() >= kMaxFiles && cached == m_files.end())
            m_files.clear();
        m_files.insert(path, Entry{stamp, std::move(file), {}});
    }

    QMutex m_mutex;
    QHash<QString, Entry> m_files;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

} // namespace

QString readFromText(const QString &text, const QString &section, const QString &key)
{
    return Document<QString>(text).value(section, key);
}

QString writeToText(const QString &text, const QString &section, const QString &key, const QString &value)
{
    Document<QString> document(text);
    document.set(section, key, value);
    return document.units();
}

QString read(const QString &file, const QString &section, const QString &key)
{
    return cache().values(file, section, {key}, 'r').value(key);
}

QHash<QString, QString> readSection(const QString &file, const QString &section)
{
    const auto parsed = cache().load(file);
    return parsed ? parsed->section(section) : QHash<QString, QString>();
}

QHash<QString, QString> readKeys(const QString &file, const QString &section, const QStringList &keys)
{
    return cache().values(file, section, keys, 'k');
}

bool write(const QString &file, const QString &section, const QString &key, const QString &value)
{
    return write(file, section, {{key, value}});
}

bool write(const QString &file, const QString &section, const QList<std::pair<QString, QString>> &values)
{
    for (const auto &[key, value] : values)
        if (!isValidWrite(section, key, value))
            return false;
    const auto parsed = cache().load(file);
    if (!parsed) {
        qCWarning(lcStore) << "Not writing" << file << "which could not be read";
        return false;
    }
    StoredFile changed(*parsed);
    for (const auto &[key, value] : values)
        changed.set(section, key, value);
    const QByteArray bytes = changed.bytes();
    // A file over the cap could no longer be read: refuse the write instead.
    if (bytes.size() > kMaxFileBytes) {
        qCWarning(lcStore) << "Not writing" << file << "- it would grow past" << kMaxFileBytes << "bytes";
        return false;
    }
    return writeFileAtomically(file, bytes);
}

} // namespace quendral::ini

namespace quendral {

bool IniFile::seed() const
{
    if (m_seed.isEmpty() || QFileInfo::exists(m_path))
        return true;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcStore) << "Making the folder of" << m_path << "failed";
        return false;
    }
    QByteArray shipped;
    if (!QFileInfo(m_seed).isFile())
        return true;
    // The new file is the user's to write, whatever the mode of the shipped one.
    if (readWholeFile(m_seed, ini::kMaxFileBytes, &shipped) && writeFileAtomically(m_path, shipped))
        return true;
    qCWarning(lcStore) << "Copying" << m_seed << "to" << m_path << "failed";
    return false;
}

} // namespace quendral
