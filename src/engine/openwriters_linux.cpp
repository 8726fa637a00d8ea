#include "engine/openwriters.h"

#include "base/logging.h"
#include "engine/foldernames.h"

#include <QByteArray>
#include <QHash>

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>
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

// A lease sees the writers that open the file through this kernel. On FUSE
// the kernel grants it while the daemon, or a process writing the folder
// behind the mount, writes; on a network file system a writer on another
// machine goes unseen.
bool leasesSeeEveryWriter(const struct statfs &fileSystem)
{
    // OCFS2 and GFS2 are shared disks: other machines write them too.
    constexpr unsigned long gfs2Magic = 0x01161970;
    constexpr unsigned long lustreMagic = 0x0bd00bd0;
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
    case FUSE_SUPER_MAGIC:
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
    case gfs2Magic:
    case lustreMagic:
        return false;
    default:
        return true;
    }
}

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
    struct statfs fileSystem = {};
    // A writer opening the file in the moment the lease is held makes the
    // kernel signal us, SIGIO unless told otherwise, which would end the
    // program; SIGURG is ignored unless handled.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == status.st_dev &&
        opened.st_ino == status.st_ino && ::fstatfs(fd, &fileSystem) == 0 && leasesSeeEveryWriter(fileSystem) &&
        ::fcntl(fd, F_SETSIG, SIGURG) == 0) {
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

// Mount points and sources in /proc/self/mountinfo escape blanks and
// backslashes as octal.
QByteArray unescape(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out.append(char(field.mid(i + 1, 3).toInt(nullptr, 8)));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

// The file behind `real` (a resolved path) when it lies on a FUSE mount of a
// local folder (bindfs and the like show that folder as the mount's source):
// a process writing there writes the file too, unseen by the mount.
QByteArray fileBehind(const QByteArray &real)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return {};
    QByteArray point;
    QByteArray behind;
    // "id parent major:minor root point options [optional...] - type source ..."
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 0 || separator + 2 >= fields.size())
            continue;
        const QByteArray mountPoint = unescape(fields[4]);
        const bool within = mountPoint == "/" || real == mountPoint || real.startsWith(mountPoint + '/');
        // The innermost mount decides; later lines mount over earlier ones.
        if (!within || mountPoint.size() < point.size())
            continue;
        point = mountPoint;
        behind.clear();
        const QByteArray source = unescape(fields[separator + 2]);
        if (fields[separator + 1].startsWith("fuse") && source.startsWith('/')) {
            const QByteArray root = unescape(fields[3]);
            behind = source + (root == "/" ? QByteArray() : root) + real.mid(mountPoint == "/" ? 0 : point.size());
        }
    }
    return behind;
}

} // namespace

Writers writing(const QStringList &files, std::chrono::steady_clock::time_point deadline, Progress *progress)
{
    Writers result;
    QStringList rest;
    for (const QString &file : files) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.unfinished.insert(file, QStringLiteral("no time was left to ask"));
            continue;
        }
        const QByteArray path = foldernames::toBytes(file);
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
    qCDebug(lcMonitor) << "no lease to trust on" << rest << "- looking into /proc";
    Writers scanned = scan(rest, deadline, QStringLiteral("/proc"), progress);
    result.writing.unite(scanned.writing);
    result.unsure.insert(scanned.unsure);
    result.unfinished.insert(scanned.unfinished);
    return result;
}

// One look at every process for a set of files, spread over as many calls
// as it takes.
struct Progress::Pass
{
    // What the files were when the look began: a file replaced since starts
    // it afresh.
    QHash<Identity, QStringList> byIdentity;
    QSet<QByteArray> names;
    bool linked = false;
    qsizetype wanted = 0;
    // Processes looked at, by pid: /proc is listed afresh at each call and
    // these are passed over.
    std::unordered_set<quint64> seen;
    QSet<QString> writing;
    qsizetype unreadableCount = 0;
    QString unreadable;
};

namespace {

using Pass = Progress::Pass;

// The files as they are now, by device and inode. Descriptors are matched
// that way, so that a hard link under another name, or a process seeing the
// folder under another path, still counts. A file with one name only is first
// matched by that name's last part, which a descriptor's link shows: the rest
// cost one readlink each instead of a stat.
std::shared_ptr<Pass> begin(const QStringList &files)
{
    auto pass = std::make_shared<Pass>();
    for (const QString &file : files) {
        const QByteArray path = foldernames::toBytes(file);
        struct stat status = {};
        char real[PATH_MAX];
        if (!regularFile(path, status) || !::realpath(path.constData(), real))
            continue;
        pass->byIdentity[{status.st_dev, status.st_ino}].append(file);
        pass->names.insert(lastPart(real, std::strlen(real)));
        pass->linked = pass->linked || status.st_nlink > 1;
        ++pass->wanted;
        struct statfs fileSystem = {};
        if (::statfs(real, &fileSystem) != 0 || leasesSeeEveryWriter(fileSystem))
            continue;
        const QByteArray behind = fileBehind(QByteArray(real));
        struct stat behindStatus = {};
        if (!behind.isEmpty() && regularFile(behind, behindStatus)) {
            pass->byIdentity[{behindStatus.st_dev, behindStatus.st_ino}].append(file);
            pass->names.insert(lastPart(behind.constData(), std::size_t(behind.size())));
            pass->linked = pass->linked || behindStatus.st_nlink > 1;
        }
    }
    return pass;
}

// Looks at the descriptors of process `pid`.
void lookAt(Pass &pass, int proc, const char *pid)
{
    const auto cannotRead = [&](int error) {
        if (pass.unreadableCount++ == 0)
            pass.unreadable = QStringLiteral("process %1: %2").arg(QLatin1String(pid), qt_error_string(error));
    };
    const QByteArray fdFolder = QByteArray(pid) + "/fd";
    const Dir descriptors = openFolder(proc, fdFolder.constData());
    if (!descriptors) {
        // Another user's process, or one of ours that made itself
        // non-dumpable: it may be writing, and we cannot tell.
        if (!gone(errno))
            cannotRead(errno);
        return;
    }
    const int at = ::dirfd(descriptors.get());
    while (const dirent *descriptor = ::readdir(descriptors.get())) {
        if (!isNumber(descriptor->d_name))
            continue;
        if (!pass.linked) {
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(at, descriptor->d_name, target, sizeof target);
            if (length < 0 && !gone(errno))
                cannotRead(errno);
            if (length <= 0 || std::size_t(length) >= sizeof target ||
                !pass.names.contains(lastPart(target, std::size_t(length))))
                continue;
        }
        struct stat opened = {};
        if (::fstatat(at, descriptor->d_name, &opened, 0) != 0) {
            if (!gone(errno))
                cannotRead(errno);
            continue;
        }
        const auto candidates = pass.byIdentity.constFind({opened.st_dev, opened.st_ino});
        if (candidates == pass.byIdentity.cend() || pass.writing.contains(candidates->first()))
            continue;
        const Access access = openedFor(proc, pid, descriptor->d_name);
        if (access == Access::Unknown)
            cannotRead(errno);
        if (access == Access::Writing) {
            for (const QString &file : *candidates)
                pass.writing.insert(file);
        }
    }
}

} // namespace

Writers scan(const QStringList &files, std::chrono::steady_clock::time_point deadline, const QString &procRoot,
             Progress *progress)
{
    Writers result;
    QStringList sorted = files;
    sorted.sort();
    const QString key = procRoot + QChar(0) + sorted.join(QChar(0));
    std::shared_ptr<Pass> pass = begin(files);
    if (pass->byIdentity.isEmpty())
        return result;
    if (progress) {
        const std::shared_ptr<Pass> earlier = progress->take(key, std::chrono::steady_clock::now());
        if (earlier && earlier->byIdentity == pass->byIdentity)
            pass = earlier;
    }
    const auto remaining = [&] {
        QStringList left;
        for (const QStringList &group : std::as_const(pass->byIdentity)) {
            for (const QString &file : group) {
                if (!pass->writing.contains(file) && !left.contains(file))
                    left.append(file);
            }
        }
        return left;
    };
    const auto allWriting = [&] { return pass->writing.size() >= pass->wanted; };

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

    bool outOfTime = false;
    while (!allWriting()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            outOfTime = true;
            break;
        }
        const dirent *process = ::readdir(processes.get());
        if (!process)
            break;
        if (!isNumber(process->d_name) || !pass->seen.insert(std::strtoull(process->d_name, nullptr, 10)).second)
            continue;
        lookAt(*pass, proc, process->d_name);
    }
    ::close(proc);

    result.writing = pass->writing;
    if (outOfTime) {
        // Nothing is told of a file before every process has been looked at:
        // the next call goes on from here.
        const QString why = QStringLiteral("time ran out after %1 processes of %2, to go on at the next look")
                                .arg(pass->seen.size())
                                .arg(procRoot);
        for (const QString &file : remaining())
            result.unfinished.insert(file, why);
        if (progress)
            progress->keep(key, pass, std::chrono::steady_clock::now());
        return result;
    }
    if (pass->unreadableCount == 0 || allWriting())
        return result;
    const QString why =
        QStringLiteral("%1 processes could not be read (first %2)").arg(pass->unreadableCount).arg(pass->unreadable);
    for (const QString &file : remaining())
        result.unsure.insert(file, why);
    return result;
}

} // namespace quendral::openwriters
