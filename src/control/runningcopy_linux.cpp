#include "control/runningcopy.h"

#include "control/busnames_linux.h"
#include "control/buswire_linux.h"
#include "control/command.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <cstddef>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quendral {

namespace {

// As long as Qt's D-Bus calls wait by default: the running copy answers at
// once, but a copy busy in a tick answers when the tick is over.
constexpr int kAnswerMs = 25000;

// Monitor and Stop answer with a note, empty unless there was nothing to do.
bool hasNote(const QString &method)
{
    const auto kind = Command::fromMethod(method);
    return kind == Command::Kind::Monitor || kind == Command::Kind::Stop;
}

// The socket of one "unix:path=..." or "unix:abstract=..." address; -1 for
// another transport or when nothing listens there.
int connectTo(const QString &address)
{
    if (!address.startsWith(QLatin1String("unix:")))
        return -1;
    QByteArray path;
    bool abstract = false;
    for (const QString &pair : address.mid(5).split(u',')) {
        const QString key = pair.section(u'=', 0, 0);
        if (key == QLatin1String("path") || key == QLatin1String("abstract")) {
            path = QByteArray::fromPercentEncoding(pair.section(u'=', 1).toUtf8());
            abstract = key == QLatin1String("abstract");
        }
    }
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const qsizetype offset = abstract ? 1 : 0;
    if (path.isEmpty() || offset + path.size() >= qsizetype(sizeof name.sun_path))
        return -1;
    std::memcpy(name.sun_path + offset, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&name), length) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// The session bus as session tools find it: the address the session gave,
// else the user's bus at $XDG_RUNTIME_DIR/bus (a login over SSH has that
// bus but not the variable).
int connectToSessionBus()
{
    const QString given = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (given.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        return runtime.isEmpty() ? -1 : connectTo(QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus"));
    }
    for (const QString &address : given.split(u';', Qt::SkipEmptyParts)) {
        if (const int fd = connectTo(address); fd >= 0)
            return fd;
    }
    return -1;
}

// A socket closed when it goes out of scope, with reads and writes bound
// by one deadline.
class Connection
{
public:
    explicit Connection(int fd)
        : m_fd(fd)
    {
    }
    ~Connection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool write(const QByteArray &bytes)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t sent = ::send(m_fd, bytes.constData() + done, std::size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent <= 0)
                return false;
            done += sent;
        }
        return true;
    }

    // Reads until `bytes` holds at least `length` bytes.
    bool readTo(QByteArray &bytes, qsizetype length)
    {
        char buffer[4096];
        while (bytes.size() < length) {
            pollfd wait{m_fd, POLLIN, 0};
            const int ready = ::poll(&wait, 1, int(m_deadline.remainingTime()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            bytes.append(buffer, got);
        }
        return true;
    }

    // The line the bus's authentication answers with, without its CR LF.
    QByteArray readLine(QByteArray &bytes)
    {
        while (!bytes.contains("\r\n")) {
            if (!readTo(bytes, bytes.size() + 1) || bytes.size() > 4096)
                return {};
        }
        const qsizetype end = bytes.indexOf("\r\n");
        const QByteArray line = bytes.left(end);
        bytes.remove(0, end + 2);
        return line;
    }

    // The next whole message, the bytes after it left in `bytes`.
    bool readMessage(QByteArray &bytes, buswire::Message &message)
    {
        if (!readTo(bytes, 16))
            return false;
        const qsizetype length = buswire::messageLength(bytes);
        if (length < 0 || !readTo(bytes, length))
            return false;
        const bool read = buswire::readMessage(bytes.left(length), message);
        bytes.remove(0, length);
        return read;
    }

private:
    int m_fd;
    QDeadlineTimer m_deadline{kAnswerMs};
};

// The method's answer from the bus: the running copy's reply or an error, or
// an invalid message when the bus cannot be reached.
buswire::Message call(const QString &method, const QString &argument)
{
    Connection bus(connectToSessionBus());
    // The credentials the socket carries say who asks: the user id, in hex
    // of its decimal digits.
    const QByteArray user = QByteArray::number(::getuid()).toHex();
    QByteArray bytes;
    if (!bus.isOpen() || !bus.write(QByteArray(1, '\0') + "AUTH EXTERNAL " + user + "\r\n") ||
        !bus.readLine(bytes).startsWith("OK "))
        return {};
    // The bus's Hello first, then the call: no start of a service by the
    // bus, so a name without a running copy is simply not running.
    QVariantList arguments;
    if (method == QLatin1String("Add") || method == QLatin1String("WaitProgram"))
        arguments = {argument};
    else if (method == QLatin1String("WaitPid"))
        arguments = {argument.toUInt()};
    const QByteArray messages =
        buswire::methodCall(1, QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("Hello"), {}, false) +
        buswire::methodCall(2, busnames::service(), busnames::path(), busnames::interface(), method, arguments, true);
    if (!bus.write("BEGIN\r\n" + messages))
        return {};
    for (buswire::Message message; bus.readMessage(bytes, message); message = {}) {
        if (message.replySerial == 2 &&
            (message.type == buswire::Type::MethodReturn || message.type == buswire::Type::Error))
            return message;
    }
    return {};
}

} // namespace

Reply callRunningCopy(const QString &method, const QString &argument)
{
    const buswire::Message answer = call(method, argument);
    const QVariant first = answer.body.value(0);
    if (answer.type == buswire::Type::MethodReturn) {
        if (hasNote(method))
            return Reply::note(first.toString());
        return {Reply::Outcome::Done, {}, first.toMap()};
    }
    if (answer.type == buswire::Type::Invalid ||
        answer.errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        answer.errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {Reply::Outcome::NotRunning, {}, {}};
    return Reply::refused(first.toString());
}

} // namespace quendral
