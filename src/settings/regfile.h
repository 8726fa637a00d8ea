#pragma once

#include <QList>
#include <QString>
#include <QStringConverter>

#include <memory>
#include <optional>

// The file-backed stand-in for the registry on Linux: one file per root, in
// the text format of registry exports ("Windows Registry Editor Version 5.00",
// "[key path]" headers, "name"="data" lines with \\, \", \n and \r escapes, dword:
// numbers). Reads UTF-8 and UTF-16 with a byte-order mark as the Windows
// registry editor writes it, each line ending in CR LF, LF or CR (mixed in
// one file when hands have edited it), and writes back in the same form: a
// line keeps its own line end, a new line takes the file's most common one.
// Key and value names compare without letter case and keep the case first
// written; of two values of one name the later counts. Lines of other value
// types, comments and lines that do not parse are kept byte for byte, as is
// every value that is not changed.
namespace quendral::reg {

// kOpaque: a line that is no value (comment, blank, malformed), kept as it was.
enum ValueType : quint32 { kUnknown = 0, REG_SZ = 1, REG_DWORD = 4, kOpaque = 0xFFFFFFFF };

inline constexpr auto kCurrentUser = "HKEY_CURRENT_USER";
inline constexpr auto kLocalMachine = "HKEY_LOCAL_MACHINE";

struct Value
{
    QString name; // "" is the key's default value ("@")
    quint32 type = REG_SZ;
    QString text; // REG_SZ data
    quint32 dword = 0;
    QString rawLine; // the whole line, for types this store does not interpret
    QByteArray raw;  // the line as stored, written back while the value is unchanged
    QByteArray end;  // its line end ("\r\n", "\n", "\r"); "" for the file's usual one
};

struct Key
{
    QString path; // full path, root name first
    QList<Value> values;
    QByteArray raw; // the header line as stored
    QByteArray end; // its line end, as Value::end

    Value *findValue(const QString &name);
    const Value *findValue(const QString &name) const;
    void setValue(const Value &value); // replaces a value of that name, else appends
    bool removeValue(const QString &name);
};

class Hive
{
public:
    static Hive parse(const QString &text);
    QByteArray serialize() const;

    // A missing file is an empty hive; an unreadable one, or one that is not a
    // registry export, is a failure, so it is never replaced.
    bool load(const QString &file);
    // The hive of `file` as last loaded or saved, parsed again only when the
    // file changed; null when it cannot be loaded.
    static std::shared_ptr<const Hive> loadShared(const QString &file);
    // Replaces the file atomically, creating its folder as needed.
    bool save(const QString &file) const;

    Key *findKey(const QString &path);
    const Key *findKey(const QString &path) const;
    // True when the key is listed or has a listed subkey (parents are implied).
    bool keyExists(const QString &path) const;
    Key &ensureKey(const QString &path);
    // Removes the key and every subkey; false when none was there.
    bool removeKey(const QString &path);

    QList<Key> keys;

private:
    struct Line
    {
        QByteArray raw; // as stored, without its line end
        QByteArray end;
    };
    bool fromBytes(const QByteArray &bytes, const QString &file);
    static Hive parseLines(const QList<QByteArray> &raws, const QStringList &lines, const QList<QByteArray> &ends);

    QByteArray m_mark;                                 // the byte-order mark, if any
    std::optional<QStringConverter::Encoding> m_utf16; // else UTF-8
    QByteArray m_newline = "\n";                       // the most common line end
    QList<Line> m_preamble;                            // lines before the first key, header first
};

// Where each root lives: HKEY_CURRENT_USER in
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quendral/user.reg, HKEY_LOCAL_MACHINE in
// Quendral/system.reg under the first folder of ${XDG_CONFIG_DIRS:-/etc/xdg}.
QString userHivePath();
QString machineHivePath();

} // namespace quendral::reg
