#include "settings/programfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quendral {

QString ProgramFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace quendral

namespace quendral::programfile {

// Linux executables carry no ".exe". The entry names the program as it was
// started: a link such as /usr/bin/quendral stays valid when an update moves
// the folder it points into.
QString startCommand(const QString &programFolder, const QString &executablePath, const QString &startedAs)
{
    const QString running = programFolder + QFileInfo(executablePath).fileName();
    const QString started = startedAs.contains(u'/') ? QDir::cleanPath(QDir::current().absoluteFilePath(startedAs))
                            : startedAs.isEmpty()    ? QString()
                                                     : QStandardPaths::findExecutable(startedAs);
    const QString runningTarget = QFileInfo(running).canonicalFilePath();
    if (started.isEmpty() || runningTarget.isEmpty() || QFileInfo(started).canonicalFilePath() != runningTarget)
        return running;
    return started;
}

QString buttonExecutable()
{
    return QStringLiteral("quendral");
}

QString buttonIcon()
{
    return QStringLiteral("quendral.svg");
}

QString programPicture()
{
    return QStringLiteral("quendral.svg");
}

} // namespace quendral::programfile
