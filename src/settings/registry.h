#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The narrow platform interface under modRegedit: the seven registry calls
// with the platform's result codes. On Linux it is the file-backed stand-in
// (registry_linux.cpp), whose Run key lives in the XDG autostart folder.
namespace quendral::registry {

enum class Root : quint32 { CurrentUser = 0x80000001u, LocalMachine = 0x80000002u };

// Result codes as the platform gives them.
inline constexpr long kSuccess = 0;
inline constexpr long kNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;

// Access rights of an open key.
inline constexpr quint32 kQueryValue = 0x0001;
inline constexpr quint32 kSetValue = 0x0002;
inline constexpr quint32 kCreateSubKey = 0x0004;
inline constexpr quint32 kCreateLink = 0x0020;
// KEY_READ | KEY_WRITE | KEY_CREATE_LINK: what the value writes and deletes ask for.
inline constexpr quint32 kReadWrite = 0x2003F;

// Value types.
inline constexpr quint32 kString = 1;
inline constexpr quint32 kExpandString = 2;
inline constexpr quint32 kBinary = 3;
inline constexpr quint32 kDword = 4;
inline constexpr quint32 kLink = 6;
inline constexpr quint32 kMultiString = 7;

// A 32-bit number as the registry stores it: 4 bytes, least significant first.
// Fewer bytes read as the low bytes of the number.
inline QByteArray dwordBytes(quint32 number)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((number >> (8 * i)) & 0xFF);
    return bytes;
}

inline quint32 dwordFromBytes(const QByteArray &bytes)
{
    quint32 number = 0;
    for (qsizetype i = 0; i < bytes.size() && i < 4; ++i)
        number |= quint32(quint8(bytes[i])) << (8 * i);
    return number;
}

// The stored text of a string value: its bytes up to the first NUL.
inline QString textUpToNul(const QByteArray &data)
{
    return QString::fromUtf8(data.left(data.indexOf('\0')));
}

struct NamedValue
{
    QString name;
    quint32 type = kString;
    QByteArray data;
};

struct OpenKey
{
    Root root = Root::CurrentUser;
    QString subkey;
    quint32 access = 0;
    bool open = false;
};

// Creates the key and any missing keys above it, or opens an existing one.
long createKey(Root root, const QString &subkey);
// Deletes a key that has no subkeys.
long deleteKey(Root root, const QString &subkey);
long openKey(Root root, const QString &subkey, quint32 access, OpenKey *key);
void closeKey(OpenKey *key);
// The value's type and its bytes as stored (text with its terminating NUL, a
// number as 4 little-endian bytes); kMoreData when they exceed `bufferSize`.
long queryValue(const OpenKey &key, const QString &name, qsizetype bufferSize, quint32 *type, QByteArray *data);
long setValue(const OpenKey &key, const QString &name, quint32 type, const QByteArray &data);
// Several values of one key. The stand-in writes them in one replacement of
// its file (all or none, even after a crash); the registry, which has no
// write of several values, sets them one after the other under one handle and
// stops at the first failure.
long setValues(const OpenKey &key, const QList<NamedValue> &values);
long deleteValue(const OpenKey &key, const QString &name);

} // namespace quendral::registry
