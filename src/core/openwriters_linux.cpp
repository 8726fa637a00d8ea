#include "core/openwriters.h"

#include <QByteArray>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace quendral::openwriters {

namespace {

// A file asked about: its identity on disk and the path it was given as.
struct Wanted
{
    dev_t device;
    ino_t inode;
    QString path;
};

struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// Opens a folder below `at` for listing; nothing when it cannot be read.
Dir openFolder(int at, const char *name)
{
    const int fd = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR *dir = ::fdopendir(fd);
    if (!dir)
        ::close(fd);
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

// Whether descriptor `fd` of process `pid` was opened for writing, from the
// "flags:" line (octal) of its fdinfo.
bool openedForWriting(int proc, const char *pid, const char *fd)
{
    const QByteArray infoPath = QByteArray(pid) + "/fdinfo/" + fd;
    const int info = ::openat(proc, infoPath.constData(), O_RDONLY | O_CLOEXEC);
    if (info < 0)
        return false;
    char text[512];
    const ssize_t length = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (length <= 0)
        return false;
    text[length] = '\0';
    const char *flags = std::strstr(text, "flags:");
    if (!flags)
        return false;
    const unsigned long value = std::strtoul(flags + 6, nullptr, 8);
    const unsigned long access = value & O_ACCMODE;
    return access == O_WRONLY || access == O_RDWR;
}

} // namespace

QSet<QString> writing(const QStringList &files, std::chrono::steady_clock::time_point deadline, const QString &procRoot)
{
    QSet<QString> found;
    // A descriptor shows the file's real path, links resolved: matched first
    // by its last part, then by device and inode, so that a process seeing
    // the folder under another path (another mount namespace) still counts.
    QHash<QByteArray, QList<Wanted>> byName;
    qsizetype wanted = 0;
    for (const QString &file : files) {
        const QByteArray path = file.toLocal8Bit();
        struct stat status = {};
        char real[PATH_MAX];
        if (::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode) || !::realpath(path.constData(), real))
            continue;
        byName[lastPart(real, std::strlen(real))].append({status.st_dev, status.st_ino, file});
        ++wanted;
    }
    if (byName.isEmpty())
        return found;

    const int proc = ::open(procRoot.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return found;
    const Dir processes = openFolder(proc, ".");
    const uid_t me = ::geteuid();
    while (processes && found.size() < wanted && std::chrono::steady_clock::now() < deadline) {
        const dirent *process = ::readdir(processes.get());
        if (!process)
            break;
        if (!isNumber(process->d_name))
            continue;
        struct stat owner = {};
        if (::fstatat(proc, process->d_name, &owner, 0) != 0 || owner.st_uid != me)
            continue;
        const QByteArray fdFolder = QByteArray(process->d_name) + "/fd";
        const Dir descriptors = openFolder(proc, fdFolder.constData());
        if (!descriptors)
            continue;
        const int at = ::dirfd(descriptors.get());
        while (const dirent *descriptor = ::readdir(descriptors.get())) {
            if (!isNumber(descriptor->d_name))
                continue;
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(at, descriptor->d_name, target, sizeof target);
            if (length <= 0 || std::size_t(length) >= sizeof target)
                continue;
            const auto candidates = byName.constFind(lastPart(target, std::size_t(length)));
            if (candidates == byName.cend())
                continue;
            struct stat opened = {};
            if (::fstatat(at, descriptor->d_name, &opened, 0) != 0)
                continue;
            for (const Wanted &file : *candidates) {
                if (file.device == opened.st_dev && file.inode == opened.st_ino && !found.contains(file.path) &&
                    openedForWriting(proc, process->d_name, descriptor->d_name))
                    found.insert(file.path);
            }
        }
    }
    ::close(proc);
    return found;
}

} // namespace quendral::openwriters
