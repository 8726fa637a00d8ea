#include "settings/programfile.h"

#include <QFileInfo>

namespace quendral::programfile {

QString startedFile(const QString &running)
{
    const QString front = qEnvironmentVariable(kFrontVariable);
    qunsetenv(kFrontVariable);
    if (!front.isEmpty() && QFileInfo(front).isFile())
        return front;
    const QString beside = QFileInfo(running).absolutePath() + u'/' + buttonExecutable();
    return QFileInfo(beside).isFile() ? beside : running;
}

} // namespace quendral::programfile
