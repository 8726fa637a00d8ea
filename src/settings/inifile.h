#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// An INI engine with the rules of the Windows private-profile functions:
// section and key names compare without letter case and the first of two
// equal names wins; a line without "=" reads as no key; blanks around keys
// and values are dropped and a value enclosed in a matching pair of double or
// single quotation marks comes back without them; a read returns at most 254
// characters. Writes replace the whole file atomically and change only the
// lines they write: every other byte, and the file's encoding (8-bit, each
// line UTF-8 or else Windows-1250, or UTF-16 with a byte-order mark), stays.
// A write picks its line as the system's profile writes do: the key's first
// line in the first section of that name, a line without "=" that names the
// key among them, kept in the spelling the file has; a new key goes after the
// section's last line that is not blank, a new section at the end. Wine's
// profile writes also rewrite the rest in a normal form (blanks, empty lines,
// line ends); like Windows itself, we keep those bytes.
// What is read from a file is kept until its modification time or size
// changes, within a bound on memory whatever the file holds.
namespace quendral::ini {

inline constexpr int kMaxValueLength = 254;

// Larger files are not parsed: reads give "" and writes are refused, as is a
// write that would make the file larger.
inline constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// The value, or "" for a missing or unreadable file, section or key.
QString read(const QString &file, const QString &section, const QString &key);

// Every key of the first section of that name, the case-folded key name
// mapped to the value of its first line; one pass for many reads.
QHash<QString, QString> readSection(const QString &file, const QString &section);

// The keys asked for of the first section of that name, each mapped (by the
// key as asked) to the value of its first line; absent keys are missing. One
// pass, that reads no further once it has them all: what it costs and keeps
// does not grow with the rest of the section.
QHash<QString, QString> readKeys(const QString &file, const QString &section, const QStringList &keys);

// Writes one value, creating the file, the section and the key as needed.
// Returns false when the file cannot be read or replaced, or when a name or
// the value would break the file's structure (a line break in any of them,
// "=" in the key, "]" in the section); the old file is then left untouched.
bool write(const QString &file, const QString &section, const QString &key, const QString &value);
// Writes several values of one section in one atomic replace; the file is
// the same as after writing them one by one. Nothing is written when one of
// them is refused.
bool write(const QString &file, const QString &section, const QList<std::pair<QString, QString>> &values);

// The same rules on text already in memory.
QString readFromText(const QString &text, const QString &section, const QString &key);
QString writeToText(const QString &text, const QString &section, const QString &key, const QString &value);

} // namespace quendral::ini

namespace quendral {

// One INI file, named once and handed to whoever reads or writes it: the
// settings file or a language file. Every call goes to the file (through the
// parsed-file cache).
class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(QString path)
        : m_path(std::move(path))
    {
    }
    // A file that starts as a copy of `seed` (the shipped settings file, which
    // may be missing): the copy is made whole before the first write.
    IniFile(QString path, QString seed)
        : m_path(std::move(path))
        , m_seed(std::move(seed))
    {
    }

    const QString &path() const { return m_path; }
    bool isNull() const { return m_path.isEmpty(); }

    // The platform's profile calls (profile_<platform>.cpp): our engine on
    // Linux, the system's on Windows.
    // The value, or "" for a missing file, section or key (and for a null file).
    QString ReadIni(const QString &section, const QString &key) const;
    // Every key of the section, case-folded, for many reads in one pass.
    QHash<QString, QString> ReadSection(const QString &section) const;
    // The keys asked for, by the key as asked; a missing or empty one may be
    // left out. For many reads of a section whose size the file decides.
    QHash<QString, QString> ReadKeys(const QString &section, const QStringList &keys) const;
    // True when the value reached the file.
    bool WriteIni(const QString &section, const QString &key, const QString &value) const;
    // True when every value reached the file, in one replace of the file.
    bool WriteIni(const QString &section, const QList<std::pair<QString, QString>> &values) const;

    // Makes the missing file a whole copy of the seed, or nothing: a write
    // into no file would start one without the shipped values, for good.
    // Each write calls it, so a failed copy (a full disk) is tried again.
    // True when the file may now be written.
    bool seed() const;

private:
    QString m_path;
    QString m_seed;
};

} // namespace quendral
