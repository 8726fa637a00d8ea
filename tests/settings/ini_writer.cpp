// Writes to a settings file (or the per-user store) in an endless loop, for
// the test that kills it mid-write.
#include "settings/inifile.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QString>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    quendral::SettingsStore store(target);
    const QString padding(400, u'x');
    for (long n = 0;; ++n) {
        const QString key = QStringLiteral("file%1").arg(n % 100);
        const QString value = QStringLiteral("v%1-%2-END").arg(n).arg(padding);
        if (mode == QLatin1String("ini"))
            quendral::ini::write(target, QStringLiteral("Files"), key, value);
        else
            store.SaveUserSetting(key, value);
    }
}
