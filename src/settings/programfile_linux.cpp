#include "settings/programfile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quendral {

QString ProgramFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace quendral

namespace quendral::programfile {

// Linux executables carry no ".exe": the entry names the file that runs.
QString startCommand(const QString &programFolder, const QString &executablePath)
{
    return programFolder + QFileInfo(executablePath).fileName();
}

QString buttonExecutable()
{
    return QStringLiteral("quendral");
}

QString programPicture()
{
    return QStringLiteral("quendral.svg");
}

} // namespace quendral::programfile
