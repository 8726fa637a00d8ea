#include "settings/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quendral {

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
    // commit() flushes and syncs the temporary file before renaming it.
    return file.commit();
}

bool readWholeFile(const QString &path, qint64 maxBytes, QByteArray *data)
{
    data->clear();
    QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *data = file.read(maxBytes + 1);
    if (data->size() > maxBytes) {
        data->clear();
        return false;
    }
    return true;
}

} // namespace quendral
