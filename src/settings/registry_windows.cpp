#include "settings/registry.h"

#include <windows.h>

// The registry itself, through advapi32's wide calls: it holds UTF-16, so
// every name and text keeps every character. An open key remembers
// its root, path and rights; each value call opens the key with those rights,
// acts and closes it again, so no handle outlives a call.
namespace quendral::registry {

namespace {

HKEY rootKey(Root root)
{
    return root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

bool isText(DWORD type)
{
    return type == kString || type == kExpandString || type == kMultiString || type == kLink;
}

// Text values travel between the layers as UTF-8 and are stored as UTF-16,
// each with its terminating NUL.
QByteArray toStored(quint32 type, const QByteArray &data)
{
    if (!isText(type))
        return data;
    const QString text = textUpToNul(data);
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), (text.size() + 1) * 2);
}

QByteArray fromStored(DWORD type, const QByteArray &data)
{
    if (!isText(type))
        return data;
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()), data.size() / 2);
    return text.left(text.indexOf(u'\0')).toUtf8() + '\0';
}

template <typename Action> long withKey(const OpenKey &key, Action action)
{
    if (!key.open)
        return ERROR_INVALID_HANDLE;
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExW(rootKey(key.root), wide(key.subkey), 0, key.access, &handle);
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
    const LONG result = RegCreateKeyW(rootKey(root), wide(subkey), &handle);
    if (result == ERROR_SUCCESS)
        RegCloseKey(handle);
    return result;
}

long deleteKey(Root root, const QString &subkey)
{
    return RegDeleteKeyW(rootKey(root), wide(subkey));
}

long openKey(Root root, const QString &subkey, quint32 access, OpenKey *key)
{
    HKEY handle = nullptr;
    const LONG result = RegOpenKeyExW(rootKey(root), wide(subkey), 0, access, &handle);
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
        // The buffer holds `bufferSize` characters, as the 8-bit calls' did.
        QByteArray buffer(bufferSize * 2, '\0');
        DWORD storedType = 0;
        DWORD size = DWORD(buffer.size());
        const LONG result =
            RegQueryValueExW(handle, wide(name), nullptr, &storedType, reinterpret_cast<BYTE *>(buffer.data()), &size);
        if (result != ERROR_SUCCESS)
            return result;
        if (!isText(storedType) && qsizetype(size) > bufferSize)
            return long(ERROR_MORE_DATA);
        *type = storedType;
        *data = fromStored(storedType, buffer.left(size));
        return kSuccess;
    });
}

long setValue(const OpenKey &key, const QString &name, quint32 type, const QByteArray &data)
{
    return withKey(key, [&](HKEY handle) -> long {
        const QByteArray stored = toStored(type, data);
        return RegSetValueExW(handle, wide(name), 0, type, reinterpret_cast<const BYTE *>(stored.constData()),
                              DWORD(stored.size()));
    });
}

long setValues(const OpenKey &key, const QList<NamedValue> &values)
{
    return withKey(key, [&](HKEY handle) -> long {
        for (const NamedValue &value : values) {
            const QByteArray stored = toStored(value.type, value.data);
            const LONG result =
                RegSetValueExW(handle, wide(value.name), 0, value.type,
                               reinterpret_cast<const BYTE *>(stored.constData()), DWORD(stored.size()));
            if (result != ERROR_SUCCESS)
                return result;
        }
        return long(ERROR_SUCCESS);
    });
}

long deleteValue(const OpenKey &key, const QString &name)
{
    return withKey(key, [&](HKEY handle) -> long { return RegDeleteValueW(handle, wide(name)); });
}

} // namespace quendral::registry
