#include "settings/programfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <climits>
#include <unistd.h>

namespace quendral {

// File names are bytes; Qt names them through the locale's UTF-8, which
// cannot carry a byte sequence that is not UTF-8 (a folder "caf\xE9" comes
// back as "caf\uFFFD"). Such a folder has no QString name: it is "" then,
// never a neighbour's name and never "/", and the program refuses to start.
QString ProgramFolder()
{
    const QString file = QCoreApplication::applicationFilePath();
    if (file.isEmpty())
        return {};
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length > 0 && QByteArray(target, length) != QFile::encodeName(file))
        return {};
    const QString folder = QFileInfo(file).path();
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

QString guiExecutable()
{
    return QStringLiteral("quendral-gui");
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
