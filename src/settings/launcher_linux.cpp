#include "settings/launcher.h"

#include "settings/atomicfile.h"
#include "settings/runkey.h"
#include "settings/userdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quendral::launcher {

QString path()
{
    return dataHome() + QStringLiteral("/applications/quendral-launcher.desktop");
}

void write(const QString &name, const QString &comment, const QString &program, const QString &icon)
{
    if (!QDir().mkpath(QFileInfo(path()).absolutePath()))
        return;
    const QString entry =
        runkey::desktopEntry(name, program,
                             {{QStringLiteral("Comment"), comment},
                              {QStringLiteral("Icon"), icon},
                              {QStringLiteral("Terminal"), QStringLiteral("false")},
                              {QStringLiteral("Categories"), QStringLiteral("Network;FileTransfer;")}});
    writeFileAtomically(path(), entry.toUtf8());
}

void remove()
{
    QFile::remove(path());
}

} // namespace quendral::launcher
