#include "engine/remotefolder.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace quendral {

namespace {

// File systems whose calls can wait on a server, a user-space daemon or an
// automounter.
bool typeMayBlock(const QByteArray &type)
{
    static const std::array<const char *, 14> prefixes = {"nfs", "cifs",      "smb",    "fuse",  "sshfs",
                                                          "9p",  "afs",       "ceph",   "coda",  "davfs",
                                                          "ncp", "glusterfs", "lustre", "autofs"};
    for (const char *prefix : prefixes) {
        if (type.startsWith(prefix))
            return true;
    }
    return false;
}

// Mount points in /proc/self/mountinfo escape blanks and backslashes as
// octal.
QString unescape(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out.append(char(field.mid(i + 1, 3).toInt(nullptr, 8)));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return QFile::decodeName(out);
}

// Whether `path` is `point` or lies below it.
bool within(const QString &path, const QString &point)
{
    if (point == QLatin1String("/"))
        return true;
    return path.startsWith(point) && (path.size() == point.size() || path[point.size()] == u'/');
}

} // namespace

RemoteFolders::RemoteFolders(const QString &mountTable)
    : m_table(::open(QFile::encodeName(mountTable).constData(), O_RDONLY | O_CLOEXEC))
{
    refresh();
}

RemoteFolders::~RemoteFolders()
{
    if (m_table >= 0)
        ::close(m_table);
}

void RemoteFolders::refresh()
{
    m_mounts.clear();
    if (m_table < 0)
        return;
    // Reading the table from the start also re-arms the change notice.
    QByteArray text;
    std::array<char, 8192> buffer;
    ::lseek(m_table, 0, SEEK_SET);
    for (ssize_t got; (got = ::read(m_table, buffer.data(), buffer.size())) > 0;)
        text.append(buffer.data(), got);
    for (const QByteArray &line : text.split('\n')) {
        // "id parent major:minor root point options [optional...] - type source ..."
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 0 || separator + 1 >= fields.size())
            continue;
        m_mounts.push_back({unescape(fields[4]), typeMayBlock(fields[separator + 1])});
    }
}

bool RemoteFolders::underBlockingMount(const QString &path) const
{
    // The innermost mount decides; later lines of the table mount over
    // earlier ones.
    const Mount *innermost = nullptr;
    for (const Mount &mount : m_mounts) {
        if (within(path, mount.point) && (!innermost || mount.point.size() >= innermost->point.size()))
            innermost = &mount;
    }
    return innermost && innermost->mayBlock;
}

bool RemoteFolders::mayBlock(const QString &folder)
{
    if (m_table >= 0) {
        pollfd changed{m_table, POLLPRI, 0};
        if (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR)))
            refresh();
    }
    // Resolved by hand, one component at a time, so that nothing below a
    // mount that may block is looked at before the mount is known.
    QStringList pending = QDir::cleanPath(QDir::current().absoluteFilePath(folder)).split(u'/', Qt::SkipEmptyParts);
    QString resolved;
    int links = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            resolved.truncate(resolved.lastIndexOf(u'/'));
            continue;
        }
        const QString candidate = resolved + u'/' + part;
        if (underBlockingMount(candidate))
            return true;
        struct stat info;
        if (::lstat(QFile::encodeName(candidate).constData(), &info) != 0)
            return false;
        if (!S_ISLNK(info.st_mode)) {
            resolved = candidate;
            continue;
        }
        // A loop of links: let the worker find out.
        if (++links > 40)
            return true;
        std::array<char, 4096> target;
        const ssize_t length = ::readlink(QFile::encodeName(candidate).constData(), target.data(), target.size());
        if (length <= 0 || std::size_t(length) == target.size())
            return false;
        const QString text = QFile::decodeName(QByteArray(target.data(), length));
        pending = text.split(u'/', Qt::SkipEmptyParts) + pending;
        if (text.startsWith(u'/'))
            resolved.clear();
    }
    return underBlockingMount(resolved.isEmpty() ? QStringLiteral("/") : resolved);
}

} // namespace quendral
