#include "core/singleinstance.h"

#include <QDir>
#include <QStandardPaths>

namespace quendral {

// The user's own local application data folder: other users cannot write there.
QString SingleInstance::lockFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quendral");
    return QDir().mkpath(folder) ? folder : QString();
}

} // namespace quendral
