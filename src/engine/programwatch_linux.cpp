#include "engine/programwatch_linux.h"

#include "base/logging.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <optional>

#include <cerrno>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quendral {

namespace {

// The kernel keeps 15 characters of a program's name.
constexpr int kCommLength = 15;

QByteArray readSmall(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? file.read(4096) : QByteArray();
}

// The real user of a process, from the "Uid:" line of its status.
std::optional<uid_t> userOf(const QString &processFolder)
{
    const QByteArray status = readSmall(processFolder + QStringLiteral("/status"));
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith("Uid:")) {
            bool ok = false;
            const uint uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
            return ok ? std::optional<uid_t>(uid) : std::nullopt;
        }
    }
    return std::nullopt;
}

// The process's name from its stat ("pid (name) state ..."; the name may hold
// blanks and brackets), unless it is a zombie or dead.
std::optional<QString> liveName(const QString &processFolder)
{
    const QByteArray stat = readSmall(processFolder + QStringLiteral("/stat"));
    const qsizetype open = stat.indexOf('(');
    const qsizetype close = stat.lastIndexOf(')');
    if (open < 0 || close < open || close + 2 >= stat.size())
        return std::nullopt;
    const char state = stat.at(close + 2);
    if (state == 'Z' || state == 'X' || state == 'x')
        return std::nullopt;
    return QString::fromUtf8(stat.mid(open + 1, close - open - 1));
}

// A cut name continues in the base name of the program's first argument.
QString wholeName(const QString &processFolder, const QString &comm)
{
    if (comm.size() < kCommLength)
        return comm;
    const QByteArray first = readSmall(processFolder + QStringLiteral("/cmdline")).split('\0').value(0);
    const QString base = QString::fromUtf8(first.mid(first.lastIndexOf('/') + 1));
    return base.startsWith(comm) ? base : comm;
}

} // namespace

namespace programwatch {

QList<RunningProgram> scanProc(const QString &procRoot, uid_t uid)
{
    QList<RunningProgram> programs;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QString folder = procRoot + u'/' + entry;
        // A process that ended meanwhile is simply left out.
        if (userOf(folder) != uid)
            continue;
        const auto comm = liveName(folder);
        if (!comm)
            continue;
        programs.append({pid, wholeName(folder, *comm), *comm});
    }
    return programs;
}

PidOwner ownerIn(const QString &procRoot, uid_t uid, qint64 pid, QString *name)
{
    const QString folder = procRoot + u'/' + QString::number(pid);
    const auto user = userOf(folder);
    const auto comm = liveName(folder);
    if (pid <= 0 || !user || !comm)
        return PidOwner::Missing;
    if (*user != uid)
        return PidOwner::Other;
    if (name)
        *name = wholeName(folder, *comm);
    return PidOwner::Mine;
}

QList<RunningProgram> userPrograms()
{
    return scanProc(QStringLiteral("/proc"), getuid());
}

bool matches(const RunningProgram &program, const QString &wanted)
{
    return program.name == wanted || program.shortName == wanted;
}

PidOwner owner(qint64 pid, QString *name)
{
    return ownerIn(QStringLiteral("/proc"), getuid(), pid, name);
}

} // namespace programwatch

ProcessEnd *ProcessEnd::open(qint64 pid, QObject *parent)
{
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0) {
        if (errno != ESRCH)
            qCWarning(lcMonitor) << "cannot await process" << pid << "- pidfd_open:" << qt_error_string(errno);
        return nullptr;
    }
    // Readable at once: the process has ended and waits to be reaped.
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 0) > 0) {
        ::close(fd);
        return nullptr;
    }
    return new ProcessEnd(pid, fd, parent);
}

ProcessEnd::ProcessEnd(qint64 pid, qintptr handle, QObject *parent)
    : QObject(parent)
    , m_pid(pid)
    , m_handle(handle)
{
    auto *notifier = new QSocketNotifier(handle, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        // It stays readable: one word of the end is enough.
        notifier->setEnabled(false);
        emit ended(m_pid);
    });
}

ProcessEnd::~ProcessEnd()
{
    // The notifier (a child) goes after this body: it is disabled first, so
    // that it never watches a closed descriptor.
    for (QSocketNotifier *notifier : findChildren<QSocketNotifier *>())
        notifier->setEnabled(false);
    ::close(int(m_handle));
}

} // namespace quendral
