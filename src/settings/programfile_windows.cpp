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

// The Run value names the running executable in the program folder.
QString startCommand(const QString &programFolder, const QString &executablePath, const QString &)
{
    return programFolder + QFileInfo(executablePath).completeBaseName() + QStringLiteral(".exe");
}

QString buttonExecutable()
{
    return QStringLiteral("quendral.exe");
}

QString guiExecutable()
{
    return QStringLiteral("quendral-gui.exe");
}

QString buttonIcon()
{
    return QStringLiteral("quendral.ico");
}

QString programPicture()
{
    return QStringLiteral("quendral.png");
}

} // namespace quendral::programfile
