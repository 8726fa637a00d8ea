#include "settings/atomicfile.h"

#include "base/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace quendral {

namespace {

// The temporary file of a write: "<name>.<6 letters>.new" beside the file.
// Its writer holds a lock on it until the rename, so one that can be locked
// was left by a writer that was killed.
constexpr int kRandomLetters = 6;
const QString kTempSuffix = QStringLiteral(".new");

QString tempName(const QString &name)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString random;
    for (int i = 0; i < kRandomLetters; ++i)
        random += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name + u'.' + random + kTempSuffix;
}

bool isTempOf(const QString &entry, const QString &name)
{
    return entry.size() == name.size() + 1 + kRandomLetters + kTempSuffix.size() && entry.startsWith(name + u'.') &&
           entry.endsWith(kTempSuffix);
}

void removeLeftovers(const QDir &folder, const QString &name)
{
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!isTempOf(entry, name))
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(entry));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Makes the rename itself durable: without it a power loss can bring back
// the old file, or no file at all.
bool syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Creates and locks a new temporary file; -1 on failure.
int createTemp(const QDir &folder, const QString &name, QByteArray *tempPath)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        *tempPath = QFile::encodeName(folder.filePath(tempName(name)));
        const int fd = ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Another writer's clean-up may have taken the file between its
        // creation and the lock: then it is no longer ours.
        struct stat opened
        {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &opened) == 0 && ::stat(tempPath->constData(), &named) == 0 &&
            opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    return -1;
}

// Logs the step of a write that failed, with the system's error.
void logFailure(const char *step, const QString &path)
{
    const int error = errno;
    qCWarning(lcStore) << "Writing" << path << "failed:" << strerrorname_np(error) << std::strerror(error) << "- at"
                       << step;
}

} // namespace

FileStamp fileStamp(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    FileStamp stamp;
    stamp.exists = true;
    stamp.modified = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    stamp.size = st.st_size;
    return stamp;
}

std::chrono::nanoseconds fileClockNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

bool writeFileAtomically(const QString &path, const QByteArray &data)
{
    const QFileInfo given(path);
    if (given.isDir()) {
        qCWarning(lcStore) << "Writing" << path << "failed: it is a folder";
        return false;
    }
    // A link is followed, so the file it names is replaced, not the link.
    const QFileInfo info(given.exists() ? given.canonicalFilePath() : given.absoluteFilePath());
    const QDir folder = info.absoluteDir();
    const QString name = info.fileName();
    removeLeftovers(folder, name);

    QByteArray tempPath;
    const int fd = createTemp(folder, name, &tempPath);
    if (fd < 0) {
        logFailure("its temporary file", path);
        return false;
    }
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    struct stat old
    {
    };
    bool written = (::stat(target.constData(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0) &&
                   writeAll(fd, data) && ::fsync(fd) == 0 && ::rename(tempPath.constData(), target.constData()) == 0;
    if (!written) {
        logFailure("write, flush or rename", path);
        ::unlink(tempPath.constData());
    }
    ::close(fd);
    if (!written)
        return false;
    if (!syncFolder(QFile::encodeName(folder.absolutePath()))) {
        logFailure("flushing its folder", path);
        return false;
    }
    return true;
}

} // namespace quendral
