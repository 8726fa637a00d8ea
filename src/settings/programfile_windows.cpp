#include "settings/programfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quendral {

QString ProgramFolder()
{
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return folder.endsWith(u'\\') ? folder : folder + u'\\';
}

} // namespace quendral

namespace quendral::programfile {

QString startCommand(const QString &programFolder, const QString &executablePath)
{
    return programFolder + QFileInfo(executablePath).completeBaseName() + QStringLiteral(".exe");
}

QString buttonExecutable()
{
    return QStringLiteral("quendral.exe");
}

QString programPicture()
{
    return QStringLiteral("quendral.png");
}

} // namespace quendral::programfile
