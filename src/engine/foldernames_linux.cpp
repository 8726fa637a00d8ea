#include "engine/foldernames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace quendral::foldernames {

namespace {

// A byte that is not part of a UTF-8 sequence stands in the name as a lone
// low surrogate, which no UTF-8 name can hold, so the way back is exact.
constexpr char16_t standInBase = 0xdc00;

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
qsizetype sequenceLength(const unsigned char *at, qsizetype left)
{
    const unsigned char lead = at[0];
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (length > left || at[1] < low || at[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (at[i] < 0x80 || at[i] > 0xbf)
            return 0;
    }
    return length;
}

QString fromBytes(const char *name, qsizetype size)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(name);
    QString text;
    qsizetype start = 0;
    for (qsizetype at = 0; at < size;) {
        const qsizetype length = sequenceLength(bytes + at, size - at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(name + start, at - start);
        text += QChar(char16_t(standInBase + bytes[at]));
        start = ++at;
    }
    return text + QString::fromUtf8(name + start, size - start);
}

struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

} // namespace

QStringList namesIn(const QString &folder, bool hidden)
{
    QStringList names;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.isEmpty() ? "." : toBytes(folder).constData()));
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == ".." || (!hidden && name.startsWith('.')))
            continue;
        names.append(fromBytes(name.data(), name.size()));
    }
    return names;
}

QByteArray toBytes(const QString &path)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool paired = i > 0 && path[i - 1].isHighSurrogate();
        if (unit < standInBase + 0x80 || unit > standInBase + 0xff || paired)
            continue;
        bytes += QStringView(path).mid(start, i - start).toUtf8();
        bytes += char(unit - standInBase);
        start = i + 1;
    }
    return bytes + QStringView(path).mid(start).toUtf8();
}

bool exists(const QString &path)
{
    struct stat status = {};
    return ::stat(toBytes(path).constData(), &status) == 0;
}

std::optional<qint64> regularFileSize(const QString &path)
{
    struct stat status = {};
    if (::stat(toBytes(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return qint64(status.st_size);
}

} // namespace quendral::foldernames
