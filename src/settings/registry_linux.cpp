#include "settings/registry.h"

#include "settings/regfile.h"
#include "settings/runkey.h"

#include <QFileInfo>

// The registry stand-in: each root is a hive file (regfile.h); the current
// user's Run key is the XDG autostart folder (runkey.h). A root whose file
// cannot be written, such as the machine-wide one under /etc/xdg for an
// ordinary account, answers access denied to every change, as a limited
// account's registry does.
namespace quendral::registry {

namespace {

constexpr quint32 kWriteRights = kSetValue | kCreateSubKey | kCreateLink;
constexpr long kInvalidHandle = 6;

QString hivePath(Root root)
{
    return root == Root::LocalMachine ? reg::machineHivePath() : reg::userHivePath();
}

QString fullPath(Root root, const QString &subkey)
{
    const QString rootName = QString::fromLatin1(root == Root::LocalMachine ? reg::kLocalMachine : reg::kCurrentUser);
    return subkey.isEmpty() ? rootName : rootName + u'\\' + subkey;
}

// Whether a file could be created or replaced there: the nearest existing
// folder on its path must be a writable folder, and the file itself writable
// when it exists.
bool canWrite(const QString &file)
{
    const QFileInfo target(file);
    if (target.exists() && !target.isWritable())
        return false;
    QString folder = target.absolutePath();
    while (!QFileInfo::exists(folder)) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            return false;
        folder = up;
    }
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

bool hasSubkeys(const reg::Hive &hive, const QString &path)
{
    const QString prefix = path + u'\\';
    for (const reg::Key &key : hive.keys)
        if (key.path.startsWith(prefix, Qt::CaseInsensitive))
            return true;
    return false;
}

// Loads the hive for a change and applies `change` to it; the file is
// replaced only when the change reports success.
template <typename Change> long changeHive(Root root, Change change)
{
    const QString path = hivePath(root);
    reg::Hive hive;
    if (!canWrite(path) || !hive.load(path))
        return kAccessDenied;
    const long result = change(hive);
    if (result != kSuccess)
        return result;
    return hive.save(path) ? kSuccess : kAccessDenied;
}

// The stand-in's value from a value call's type and bytes; false for a type it
// does not store.
bool toHiveValue(const NamedValue &from, reg::Value *to)
{
    const bool text = from.type == kString;
    if (!text && !(from.type == kDword && from.data.size() == 4))
        return false;
    *to = reg::Value{from.name, text ? reg::REG_SZ : reg::REG_DWORD, {}, 0, {}, {}, {}};
    if (text)
        to->text = textUpToNul(from.data);
    else
        to->dword = dwordFromBytes(from.data);
    return true;
}

} // namespace

long createKey(Root root, const QString &subkey)
{
    if (runkey::isRunKey(root, subkey))
        return kSuccess;
    reg::Hive hive;
    if (!hive.load(hivePath(root)))
        return kAccessDenied;
    const QString path = fullPath(root, subkey);
    if (hive.keyExists(path))
        return kSuccess;
    return changeHive(root, [&](reg::Hive &h) {
        h.ensureKey(path);
        return kSuccess;
    });
}

long deleteKey(Root root, const QString &subkey)
{
    if (subkey.isEmpty() || runkey::isRunKey(root, subkey))
        return kAccessDenied;
    const QString path = fullPath(root, subkey);
    reg::Hive hive;
    if (!hive.load(hivePath(root)))
        return kAccessDenied;
    if (!hive.keyExists(path))
        return kNotFound;
    return changeHive(root, [&](reg::Hive &h) {
        if (hasSubkeys(h, path))
            return kAccessDenied;
        return h.removeKey(path) ? kSuccess : kNotFound;
    });
}

long openKey(Root root, const QString &subkey, quint32 access, OpenKey *key)
{
    const bool writing = (access & kWriteRights) != 0;
    if (runkey::isRunKey(root, subkey)) {
        if (writing && !canWrite(runkey::entryPath(QStringLiteral("x"))))
            return kAccessDenied;
    } else {
        reg::Hive hive;
        if (!hive.load(hivePath(root)))
            return kAccessDenied;
        if (!hive.keyExists(fullPath(root, subkey)))
            return kNotFound;
        if (writing && !canWrite(hivePath(root)))
            return kAccessDenied;
    }
    *key = OpenKey{root, subkey, access, true};
    return kSuccess;
}

void closeKey(OpenKey *key)
{
    *key = OpenKey{};
}

long queryValue(const OpenKey &key, const QString &name, qsizetype bufferSize, quint32 *type, QByteArray *data)
{
    if (!key.open)
        return kInvalidHandle;
    if (!(key.access & kQueryValue))
        return kAccessDenied;
    QByteArray bytes;
    if (runkey::isRunKey(key.root, key.subkey)) {
        QString command;
        if (const long result = runkey::readCommand(name, &command); result != kSuccess)
            return result;
        *type = kString;
        bytes = command.toUtf8() + '\0';
    } else {
        reg::Hive hive;
        if (!hive.load(hivePath(key.root)))
            return kAccessDenied;
        const reg::Key *found = hive.findKey(fullPath(key.root, key.subkey));
        const reg::Value *value = found ? found->findValue(name) : nullptr;
        // Values of types the stand-in keeps only as raw lines read as absent.
        if (!value || value->type == reg::kUnknown)
            return kNotFound;
        *type = value->type == reg::REG_DWORD ? kDword : kString;
        bytes = value->type == reg::REG_DWORD ? dwordBytes(value->dword) : value->text.toUtf8() + '\0';
    }
    // The buffer limit is the registry's; an autostart entry is read whole,
    // so a long program path still reads back.
    if (bytes.size() > bufferSize && !runkey::isRunKey(key.root, key.subkey))
        return kMoreData;
    *data = bytes;
    return kSuccess;
}

long setValue(const OpenKey &key, const QString &name, quint32 type, const QByteArray &data)
{
    if (key.open && (key.access & kSetValue) && runkey::isRunKey(key.root, key.subkey))
        return type == kString ? runkey::writeCommand(name, textUpToNul(data)) : kInvalidParameter;
    return setValues(key, {NamedValue{name, type, data}});
}

long setValues(const OpenKey &key, const QList<NamedValue> &values)
{
    if (!key.open)
        return kInvalidHandle;
    if (!(key.access & kSetValue))
        return kAccessDenied;
    QList<reg::Value> converted(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!toHiveValue(values[i], &converted[i]))
            return kInvalidParameter;
    }
    // The Run key holds one command per value, each its own autostart entry.
    if (runkey::isRunKey(key.root, key.subkey))
        return kInvalidParameter;
    return changeHive(key.root, [&](reg::Hive &hive) {
        reg::Key &target = hive.ensureKey(fullPath(key.root, key.subkey));
        for (const reg::Value &value : converted)
            target.setValue(value);
        return kSuccess;
    });
}

long deleteValue(const OpenKey &key, const QString &name)
{
    if (!key.open)
        return kInvalidHandle;
    if (!(key.access & kSetValue))
        return kAccessDenied;
    if (runkey::isRunKey(key.root, key.subkey))
        return runkey::removeCommand(name);
    return changeHive(key.root, [&](reg::Hive &hive) {
        reg::Key *found = hive.findKey(fullPath(key.root, key.subkey));
        return found && found->removeValue(name) ? kSuccess : kNotFound;
    });
}

} // namespace quendral::registry
