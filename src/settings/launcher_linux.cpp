#include "settings/launcher.h"

#include "base/logging.h"
#include "settings/atomicfile.h"
#include "settings/runkey.h"
#include "settings/userdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quendral::launcher {

QString path()
{
    return dataHome() + QStringLiteral("/applications/quendral-launcher.desktop");
}

QString packageEntry(const QString &program)
{
    const QString running = QFileInfo(program).canonicalFilePath();
    if (running.isEmpty())
        return QString();
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString &folder : folders) {
        const QString entry = folder + QStringLiteral("/quendral.desktop");
        QString named = runkey::entryProgram(entry);
        if (!named.isEmpty() && !named.contains(u'/'))
            named = QStandardPaths::findExecutable(named);
        if (!named.isEmpty() && QFileInfo(named).canonicalFilePath() == running)
            return entry;
    }
    return QString();
}

bool write(const QString &name, const QString &comment, const QString &program, const QString &icon)
{
    if (!QDir().mkpath(QFileInfo(path()).absolutePath())) {
        qCWarning(lcStore) << "Making the folder of" << path() << "failed: no launcher";
        return false;
    }
    const QString entry =
        runkey::desktopEntry(name, program,
                             {{QStringLiteral("Comment"), comment},
                              {QStringLiteral("Icon"), icon},
                              {QStringLiteral("Terminal"), QStringLiteral("false")},
                              {QStringLiteral("Categories"), QStringLiteral("Network;FileTransfer;")}});
    if (!writeFileAtomically(path(), entry.toUtf8())) {
        qCWarning(lcStore) << "Launcher not written:" << path();
        return false;
    }
    qCDebug(lcStore) << "Launcher written:" << path() << "starting" << program;
    return true;
}

bool remove()
{
    QFile launcher(path());
    if (launcher.remove()) {
        qCDebug(lcStore) << "Launcher removed:" << path();
        return true;
    }
    if (!launcher.exists())
        return true;
    qCWarning(lcStore) << "Removing" << path() << "failed:" << launcher.errorString();
    return false;
}

} // namespace quendral::launcher
