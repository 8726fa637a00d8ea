#include "base/logging.h"
#include "settings/regfile.h"
#include "settings/settingsstore.h"

// The per-user values in the registry stand-in's file of the current user.
namespace quendral {

namespace {

QString textOf(const reg::Value &value)
{
    return value.type == reg::REG_DWORD ? QString::number(value.dword) : value.text;
}

} // namespace

QString SettingsStore::GetUserSetting(const QString &key) const
{
    return GetUserSettings({key}).value(key);
}

QHash<QString, QString> SettingsStore::GetUserSettings(const QStringList &keys) const
{
    QHash<QString, QString> values;
    const auto hive = reg::Hive::loadShared(reg::userHivePath());
    const reg::Key *settings = hive ? hive->findKey(QString::fromLatin1(kUserSettingsKey)) : nullptr;
    if (!settings)
        return values;
    for (const QString &key : keys) {
        if (const reg::Value *value = settings->findValue(key))
            values.insert(key, textOf(*value));
    }
    return values;
}

bool SettingsStore::SaveUserSetting(const QString &key, const QString &value)
{
    return SaveUserSettings({{key, value}});
}

bool SettingsStore::SaveUserSettings(const QList<std::pair<QString, QString>> &values)
{
    const QString path = reg::userHivePath();
    // The hive the values were just read from, when the file is unchanged.
    const auto loaded = reg::Hive::loadShared(path);
    if (!loaded) {
        // Never replace a store we could not read.
        qCWarning(lcStore) << "Per-user values not saved: their store could not be read";
        return false;
    }
    reg::Hive hive = *loaded;
    reg::Key &settings = hive.ensureKey(QString::fromLatin1(kUserSettingsKey));
    for (const auto &[key, value] : values)
        settings.setValue(reg::Value{key, reg::REG_SZ, value, 0, {}, {}, {}});
    if (hive.save(path))
        return true;
    qCWarning(lcStore) << "Per-user values not saved";
    return false;
}

} // namespace quendral
