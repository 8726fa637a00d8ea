#include "settings/atomicfile.h"

#include "base/logging.h"

#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace quendral {

FileStamp fileStamp(const QString &path)
{
    const std::filesystem::path name(path.toStdWString());
    std::error_code error;
    FileStamp stamp;
    if (!std::filesystem::is_regular_file(name, error))
        return {};
    stamp.modified = std::filesystem::last_write_time(name, error).time_since_epoch();
    stamp.size = error ? -1 : static_cast<qint64>(std::filesystem::file_size(name, error));
    stamp.exists = !error;
    return stamp;
}

std::chrono::nanoseconds fileClockNow()
{
    return std::filesystem::file_time_type::clock::now().time_since_epoch();
}

// QSaveFile writes a temporary file beside the target, flushes it to disk and
// moves it over the old file with MoveFileEx(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), which also makes the rename itself durable.
bool writeFileAtomically(const QString &path, const QByteArray &data)
{
    if (QFileInfo(path).isDir()) {
        qCWarning(lcStore) << "Writing" << path << "failed: it is a folder";
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    qCWarning(lcStore) << "Writing" << path << "failed:" << file.error() << file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace quendral
