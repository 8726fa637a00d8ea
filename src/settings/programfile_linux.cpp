#include "settings/programfile.h"

#include <QFileInfo>

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

} // namespace quendral::programfile
