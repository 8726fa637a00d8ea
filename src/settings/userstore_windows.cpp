#include "base/logging.h"
#include "settings/registry.h"
#include "settings/settingsstore.h"

// The per-user values live in the registry itself, where the platform keeps
// every program's settings of this kind.
namespace quendral {

namespace {

const QString kSubkey = QString::fromLatin1(kUserSettingsKey).section(u'\\', 1);

} // namespace

QString SettingsStore::GetUserSetting(const QString &key) const
{
    return GetUserSettings({key}).value(key);
}

QHash<QString, QString> SettingsStore::GetUserSettings(const QStringList &keys) const
{
    QHash<QString, QString> values;
    registry::OpenKey open;
    if (const long result = registry::openKey(registry::Root::CurrentUser, kSubkey, registry::kQueryValue, &open);
        result != registry::kSuccess) {
        if (result != registry::kNotFound)
            qCWarning(lcStore) << "RegOpenKeyEx of" << kSubkey << "failed: error" << result;
        return values;
    }
    for (const QString &key : keys) {
        quint32 type = 0;
        QByteArray data;
        // A value of any length: the buffer grows until it fits.
        long result = registry::kMoreData;
        for (qsizetype size = 256; result == registry::kMoreData && size <= (1 << 24); size *= 4)
            result = registry::queryValue(open, key, size, &type, &data);
        if (result == registry::kSuccess)
            values.insert(key, type == registry::kDword ? QString::number(registry::dwordFromBytes(data))
                                                        : registry::textUpToNul(data));
        else if (result != registry::kNotFound)
            qCWarning(lcStore) << "RegQueryValueEx of" << key << "failed: error" << result;
    }
    registry::closeKey(&open);
    return values;
}

bool SettingsStore::SaveUserSetting(const QString &key, const QString &value)
{
    return SaveUserSettings({{key, value}});
}

// The registry has no write of several values at once: they are set one after
// the other under one opened key.
bool SettingsStore::SaveUserSettings(const QList<std::pair<QString, QString>> &values)
{
    long result = registry::createKey(registry::Root::CurrentUser, kSubkey);
    registry::OpenKey open;
    if (result == registry::kSuccess)
        result = registry::openKey(registry::Root::CurrentUser, kSubkey, registry::kReadWrite, &open);
    if (result == registry::kSuccess) {
        QList<registry::NamedValue> stored;
        for (const auto &[key, value] : values)
            stored.append(registry::NamedValue{key, registry::kString, value.toUtf8() + '\0'});
        result = registry::setValues(open, stored);
        registry::closeKey(&open);
    }
    if (result != registry::kSuccess)
        qCWarning(lcStore) << "Per-user values not saved: error" << result;
    return result == registry::kSuccess;
}

} // namespace quendral
