#include "engine/foldernames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quendral::foldernames {

// Windows names are UTF-16 throughout: Qt lists every one of them.
QStringList namesIn(const QString &folder, bool hidden)
{
    const QDir::Filters filters = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    return QDir(folder.isEmpty() ? QStringLiteral(".") : folder).entryList(hidden ? filters | QDir::Hidden : filters);
}

QByteArray toBytes(const QString &path)
{
    return QFile::encodeName(path);
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

std::optional<qint64> regularFileSize(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return std::nullopt;
    return file.size();
}

} // namespace quendral::foldernames
