#include "core/openwriters.h"

#include "kit/logging.h"

#include <QByteArray>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace quendral::openwriters {

namespace {

using Identity = std::pair<quint64, quint64>; // device, inode

struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// Opens a folder below `at` for listing; nothing when it cannot be read, with
// errno telling why.
Dir openFolder(int at, const char *name)
{
    const int fd = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return Dir(dir);
}

bool isNumber(const char *name)
{
    if (*name == '\0')
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

QByteArray lastPart(const char *path, std::size_t length)
{
    const char *slash = static_cast<const char *>(::memrchr(path, '/', length));
    const char *start = slash ? slash + 1 : path;
    return QByteArray(start, qsizetype(path + length - start));
}

// A process or descriptor that ended while it was being read is simply gone.
bool gone(int error)
{
    return error == ENOENT || error == ESRCH;
}

enum class Access { Reading, Writing, Unknown };

// How descriptor `fd` of process `pid` was opened, from the "flags:" line
// (octal) of its fdinfo. A descriptor closed meanwhile reads nothing.
Access openedFor(int proc, const char *pid, const char *fd)
{
    const QByteArray infoPath = QByteArray(pid) + "/fdinfo/" + fd;
    const int info = ::openat(proc, infoPath.constData(), O_RDONLY | O_CLOEXEC);
    if (info < 0)
        return gone(errno) ? Access::Reading : Access::Unknown;
    char text[512];
    const ssize_t length = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (length <= 0)
        return Access::Unknown;
    text[length] = '\0';
    const char *flags = std::strstr(text, "flags:");
    if (!flags)
        return Access::Unknown;
    const unsigned long access = std::strtoul(flags + 6, nullptr, 8) & O_ACCMODE;
    return access == O_WRONLY || access == O_RDWR ? Access::Writing : Access::Reading;
}

enum class Lease { Free, Writing, Unavailable };

// Asks the kernel through a read lease, taken and given back at once: it is
// refused with EAGAIN while any descriptor anywhere has the file open for
// writing. Our own descriptor is read-only, so it does not count. Opening
// must do nothing to the file: O_NONBLOCK returns at once where a write lease
// would make us wait, and only the regular file that was asked about is kept.
// A writer opening the file while we hold the lease waits the few
// microseconds until we give it back.
Lease askKernel(const QByteArray &path, const struct stat &status)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Lease::Unavailable;
    Lease answer = Lease::Unavailable;
    struct stat opened = {};
    // A writer opening the file in the moment the lease is held makes the
    // kernel signal us, SIGIO unless told otherwise, which would end the
    // program; SIGURG is ignored unless handled.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == status.st_dev &&
        opened.st_ino == status.st_ino && ::fcntl(fd, F_SETSIG, SIGURG) == 0) {
        if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
            ::fcntl(fd, F_SETLEASE, F_UNLCK);
            answer = Lease::Free;
        } else if (errno == EAGAIN) {
            answer = Lease::Writing;
        }
        // EACCES: another owner's file and no CAP_LEASE; EINVAL: no leases
        // on this file system.
    }
    ::close(fd);
    return answer;
}

// The regular file at `path`, links followed.
bool regularFile(const QByteArray &path, struct stat &status)
{
    return ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

Writers writing(const QStringList &files, std::chrono::steady_clock::time_point deadline)
{
    Writers result;
    QStringList rest;
    for (const QString &file : files) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.unsure.insert(file, QStringLiteral("no time was left to ask"));
            continue;
        }
        const QByteArray path = file.toLocal8Bit();
        struct stat status = {};
        if (!regularFile(path, status))
            continue;
        switch (askKernel(path, status)) {
        case Lease::Free:
            break;
        case Lease::Writing:
            result.writing.insert(file);
            break;
        case Lease::Unavailable:
            rest.append(file);
            break;
        }
    }
    if (rest.isEmpty())
        return result;
    qCDebug(lcMonitor) << "no lease on" << rest << "- looking into /proc";
    Writers scanned = scan(rest, deadline);
    result.writing.unite(scanned.writing);
    result.unsure.insert(scanned.unsure);
    return result;
}

Writers scan(const QStringList &files, std::chrono::steady_clock::time_point deadline, const QString &procRoot)
{
    Writers result;
    // Descriptors are matched by device and inode, so that a hard link under
    // another name, or a process seeing the folder under another path, still
    // counts. A file with one name only is first matched by that name's last
    // part, which a descriptor's link shows: the rest cost one readlink each
    // instead of a stat.
    QHash<Identity, QStringList> byIdentity;
    QSet<QByteArray> names;
    bool linked = false;
    qsizetype wanted = 0;
    for (const QString &file : files) {
        const QByteArray path = file.toLocal8Bit();
        struct stat status = {};
        char real[PATH_MAX];
        if (!regularFile(path, status) || !::realpath(path.constData(), real))
            continue;
        byIdentity[{status.st_dev, status.st_ino}].append(file);
        names.insert(lastPart(real, std::strlen(real)));
        linked = linked || status.st_nlink > 1;
        ++wanted;
    }
    if (byIdentity.isEmpty())
        return result;

    QString unreadable;
    qsizetype unreadableCount = 0;
    const auto cannotRead = [&](const char *pid, int error) {
        if (unreadableCount++ == 0)
            unreadable = QStringLiteral("process %1: %2").arg(QLatin1String(pid), qt_error_string(error));
    };
    const auto remaining = [&] {
        QStringList left;
        for (const QStringList &group : std::as_const(byIdentity)) {
            for (const QString &file : group) {
                if (!result.writing.contains(file))
                    left.append(file);
            }
        }
        return left;
    };

    const int proc = ::open(procRoot.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const Dir processes = proc < 0 ? nullptr : openFolder(proc, ".");
    if (!processes) {
        const int error = errno;
        const QString why = QStringLiteral("%1 cannot be read: %2").arg(procRoot, qt_error_string(error));
        for (const QString &file : remaining())
            result.unsure.insert(file, why);
        if (proc >= 0)
            ::close(proc);
        return result;
    }

    qsizetype seen = 0;
    bool outOfTime = false;
    while (result.writing.size() < wanted) {
        if (std::chrono::steady_clock::now() >= deadline) {
            outOfTime = true;
            break;
        }
        const dirent *process = ::readdir(processes.get());
        if (!process)
            break;
        if (!isNumber(process->d_name))
            continue;
        ++seen;
        const QByteArray fdFolder = QByteArray(process->d_name) + "/fd";
        const Dir descriptors = openFolder(proc, fdFolder.constData());
        if (!descriptors) {
            // Another user's process, or one of ours that made itself
            // non-dumpable: it may be writing, and we cannot tell.
            if (!gone(errno))
                cannotRead(process->d_name, errno);
            continue;
        }
        const int at = ::dirfd(descriptors.get());
        while (const dirent *descriptor = ::readdir(descriptors.get())) {
            if (!isNumber(descriptor->d_name))
                continue;
            if (!linked) {
                char target[PATH_MAX];
                const ssize_t length = ::readlinkat(at, descriptor->d_name, target, sizeof target);
                if (length < 0 && !gone(errno))
                    cannotRead(process->d_name, errno);
                if (length <= 0 || std::size_t(length) >= sizeof target ||
                    !names.contains(lastPart(target, std::size_t(length))))
                    continue;
            }
            struct stat opened = {};
            if (::fstatat(at, descriptor->d_name, &opened, 0) != 0) {
                if (!gone(errno))
                    cannotRead(process->d_name, errno);
                continue;
            }
            const auto candidates = byIdentity.constFind({opened.st_dev, opened.st_ino});
            if (candidates == byIdentity.cend() || result.writing.contains(candidates->first()))
                continue;
            const Access access = openedFor(proc, process->d_name, descriptor->d_name);
            if (access == Access::Unknown)
                cannotRead(process->d_name, errno);
            if (access == Access::Writing) {
                for (const QString &file : *candidates)
                    result.writing.insert(file);
            }
        }
    }
    ::close(proc);

    if (!outOfTime && unreadableCount == 0)
        return result;
    const QString why =
        outOfTime ? QStringLiteral("time ran out after %1 processes of %2").arg(seen).arg(procRoot)
                  : QStringLiteral("%1 processes could not be read (first %2)").arg(unreadableCount).arg(unreadable);
    for (const QString &file : remaining())
        result.unsure.insert(file, why);
    return result;
}

} // namespace quendral::openwriters
