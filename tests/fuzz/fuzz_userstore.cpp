// Any bytes as the per-user store: reads never fail, a store that loads is
// saved with every line kept, and a saved value reads back.
#include "settings/regfile.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace quendral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/quendral-fuzz-XXXXXX"));
    static const bool configured =
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()) && QDir().mkpath(dir.filePath(QStringLiteral("Quendral")));
    if (!configured)
        std::abort();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(reg::userHivePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
    SettingsStore store(dir.path());
    store.GetUserSetting(QStringLiteral("first"));
    reg::Hive hive;
    const bool loaded = hive.load(reg::userHivePath());
    if (store.SaveUserSetting(QStringLiteral("fuzz"), QStringLiteral("1")) != loaded)
        std::abort();
    if (loaded && store.GetUserSetting(QStringLiteral("fuzz")) != QLatin1String("1"))
        std::abort();
    reg::Hive::parse(QString::fromUtf8(bytes)).serialize();
    return 0;
}
