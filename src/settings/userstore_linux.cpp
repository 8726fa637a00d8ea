#include "kit/logging.h"
#include "settings/regfile.h"
#include "settings/settingsstore.h"

// The per-user values in the registry stand-in's file of the current user.
namespace quendral {

QString SettingsStore::GetUserSetting(const QString &key) const
{
    const auto hive = reg::Hive::loadShared(reg::userHivePath());
    if (!hive)
        return {};
    const reg::Key *settings = hive->findKey(QString::fromLatin1(kUserSettingsKey));
    const reg::Value *value = settings ? settings->findValue(key) : nullptr;
    if (!value)
        return {};
    return value->type == reg::REG_DWORD ? QString::number(value->dword) : value->text;
}

bool SettingsStore::SaveUserSetting(const QString &key, const QString &value)
{
    const QString path = reg::userHivePath();
    reg::Hive hive;
    if (!hive.load(path)) {
        // Never replace a store we could not read.
        qCWarning(lcStore) << "Per-user value" << key << "not saved: its store could not be read";
        return false;
    }
    hive.ensureKey(QString::fromLatin1(kUserSettingsKey)).setValue(reg::Value{key, reg::REG_SZ, value, 0, {}, {}});
    if (hive.save(path))
        return true;
    qCWarning(lcStore) << "Per-user value" << key << "not saved";
    return false;
}

} // namespace quendral
