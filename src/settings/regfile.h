#pragma once

#include <QList>
#include <QString>

// The file-backed stand-in for the registry on Linux: one file per root, in
// the text format of registry exports ("Windows Registry Editor Version 5.00",
// "[key path]" headers, "name"="data" lines with \\, \", \n and \r escapes, dword:
// numbers), UTF-8. Key and value names compare without letter case and keep
// the case first written. Lines of other value types are kept as they were.
namespace quendral::reg {

enum ValueType : quint32 { kUnknown = 0, REG_SZ = 1, REG_DWORD = 4 };

inline constexpr auto kCurrentUser = "HKEY_CURRENT_USER";
inline constexpr auto kLocalMachine = "HKEY_LOCAL_MACHINE";

struct Value
{
    QString name; // "" is the key's default value ("@")
    quint32 type = REG_SZ;
    QString text; // REG_SZ data
    quint32 dword = 0;
    QString rawLine; // the whole line, for types this store does not interpret
};

struct Key
{
    QString path; // full path, root name first
    QList<Value> values;

    Value *findValue(const QString &name);
    const Value *findValue(const QString &name) const;
    void setValue(const Value &value); // replaces a value of that name, else appends
    bool removeValue(const QString &name);
};

class Hive
{
public:
    static Hive parse(const QString &text);
    QString serialize() const;

    // A missing file is an empty hive; an unreadable one is a failure.
    bool load(const QString &file);
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
};

// Where each root lives: HKEY_CURRENT_USER in
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quendral/user.reg, HKEY_LOCAL_MACHINE in
// Quendral/system.reg under the first folder of ${XDG_CONFIG_DIRS:-/etc/xdg}.
QString userHivePath();
QString machineHivePath();

} // namespace quendral::reg
