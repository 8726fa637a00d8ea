// Writes to a settings file (or the per-user store, or the watch list, two
// lists in turn, or all options, two sets in turn) in an endless loop, for
// the test that kills it mid-write.
#include "settings/inifile.h"
#include "settings/options.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"

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
    if (mode == QLatin1String("watchlist")) {
        const QStringList lists[] = {app.arguments().mid(3, 50), app.arguments().mid(53)};
        for (long n = 0;; ++n)
            quendral::watchlist::write(store.settingsFile(), lists[n % 2]);
    }
    if (mode == QLatin1String("options")) {
        for (long n = 0;; ++n) {
            const quendral::Flag flag(QString::number(n % 2)); // every flag "0", then every flag "1"
            const QString path = app.arguments().value(3 + n % 2);
            const quendral::Options set{flag, flag, flag, flag, flag, flag, path, flag, flag, flag, path, flag, flag};
            set.save(store, quendral::Options::read(store));
        }
    }
    for (long n = 0;; ++n) {
        const QString key = QStringLiteral("file%1").arg(n % 100);
        const QString value = QStringLiteral("v%1-%2-END").arg(n).arg(padding);
        if (mode == QLatin1String("ini"))
            quendral::ini::write(target, QStringLiteral("Files"), key, value);
        else
            store.SaveUserSetting(key, value);
    }
}
