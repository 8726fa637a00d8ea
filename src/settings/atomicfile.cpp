#include "settings/atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quendral {

bool FileStamp::isSettled() const
{
    return exists && modified < fileClockNow() - std::chrono::seconds(2);
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
    // Only what the file holds is allocated; a file that grew since is read on
    // to the cap.
    *data = file.read(std::min(info.size(), maxBytes) + 1);
    while (data->size() <= maxBytes) {
        const QByteArray more = file.read(std::min<qint64>(1 << 20, maxBytes + 1 - data->size()));
        if (more.isEmpty())
            break;
        data->append(more);
    }
    if (data->size() > maxBytes) {
        data->clear();
        return false;
    }
    return true;
}

} // namespace quendral
