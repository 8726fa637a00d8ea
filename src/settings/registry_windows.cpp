#include "settings/registry.h"

#include <windows.h>

// The registry itself, through advapi32's ANSI calls. An open key remembers
// its root, path and rights; each value call opens the key with those rights,
// acts and closes it again, so no handle outlives a call.
namespace quendral::registry {

namespace {

HKEY rootKey(Root root)
{
    return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

QByteArray ansi(const QString &text)
{
    return text.toLocal8Bit();
}

bool isText(DWORD type)
{
    return type == kString || type == kExpandString || type == kMultiString || type == kLink;
}

// Text values travel between the layers as UTF-8; the ANSI calls store them in
// the system's code page.
QByteArray toStored(quint32 type, const QByteArray &data)
{
    return isText(type) ? ansi(textUpToNul(data)) + '\0' : data;
}

QByteArray fromStored(DWORD type, const QByteArray &data)
{
    return isText(type) ? QString::fromLocal8Bit(data.left(data.indexOf('\0'))).toUtf8() + '\0' : data;
}

template <typename Action> long withKey(const OpenKey &key, Action action)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExA(rootKey(key.root), ansi(key.subkey).constData(), 0, key.access, &handle);
    if (opened != ERROR_SUCCESS)
        return opened;
    const long result = action(handle);
    RegCloseKey(handle);
    return result;
}

} // namespace

long createKey(Root root, const QString &subkey)
{
    HKEY handle = nullptr;
    const LONG result = RegCreateKeyA(rootKey(root), ansi(subkey).constData(), &handle);
    if (result == ERROR_SUCCESS)
        RegCloseKey(handle);
    return result;
}

long deleteKey(Root root, const QString &subkey)
{
    return RegDeleteKeyA(rootKey(root), ansi(subkey).constData());
}

long openKey(Root root, const QString &subkey, quint32 access, OpenKey *key)
{
    HKEY handle = nullptr;
    const LONG result = RegOpenKeyExA(rootKey(root), ansi(subkey).constData(), 0, access, &handle);
    if (result != ERROR_SUCCESS)
        return result;
    RegCloseKey(handle);
    *key = OpenKey{root, subkey, access, true};
    return kSuccess;
}

void closeKey(OpenKey *key)
{
    *key = OpenKey{};
}

long queryValue(const OpenKey &key, const QString &name, qsizetype bufferSize, quint32 *type, QByteArray *data)
{
    return withKey(key, [&](HKEY handle) -> long {
        QByteArray buffer(bufferSize, '\0');
        DWORD storedType = 0;
        DWORD size = DWORD(bufferSize);
        const LONG result = RegQueryValueExA(handle, ansi(name).constData(), nullptr, &storedType,
                                             reinterpret_cast<BYTE *>(buffer.data()), &size);
        if (result != ERROR_SUCCESS)
            return result;
        *type = storedType;
        *data = fromStored(storedType, buffer.left(size));
        return kSuccess;
    });
}

long setValue(const OpenKey &key, const QString &name, quint32 type, const QByteArray &data)
{
    return withKey(key, [&](HKEY handle) -> long {
        const QByteArray stored = toStored(type, data);
        return RegSetValueExA(handle, ansi(name).constData(), 0, type,
                              reinterpret_cast<const BYTE *>(stored.constData()), DWORD(stored.size()));
    });
}

long setValues(const OpenKey &key, const QList<NamedValue> &values)
{
    return withKey(key, [&](HKEY handle) -> long {
        for (const NamedValue &value : values) {
            const QByteArray stored = toStored(value.type, value.data);
            const LONG result =
                RegSetValueExA(handle, ansi(value.name).constData(), 0, value.type,
                               reinterpret_cast<const BYTE *>(stored.constData()), DWORD(stored.size()));
            if (result != ERROR_SUCCESS)
                return result;
        }
        return long(ERROR_SUCCESS);
    });
}

long deleteValue(const OpenKey &key, const QString &name)
{
    return withKey(key, [&](HKEY handle) -> long { return RegDeleteValueA(handle, ansi(name).constData()); });
}

} // namespace quendral::registry
