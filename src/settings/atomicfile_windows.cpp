#include "settings/atomicfile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace quendral {

// QSaveFile writes a temporary file beside the target, flushes it to disk and
// moves it over the old file with MoveFileEx(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), which also makes the rename itself durable.
bool writeFileAtomically(const QString &path, const QByteArray &data)
{
    if (QFileInfo(path).isDir())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace quendral
