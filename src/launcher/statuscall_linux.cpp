#include "launcher/statuscall_linux.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quendral::launcher {

namespace {

// As long as the Qt front waits: a copy busy in a tick answers when the
// tick is over.
constexpr long kAnswerMs = 25000;
// Larger answers are not the status of at most 100 entries.
constexpr std::size_t kLongestMessage = std::size_t(1) << 24;

constexpr std::uint8_t kMethodCall = 1;
constexpr std::uint8_t kMethodReturn = 2;
constexpr std::uint8_t kNoAutoStart = 2;
constexpr std::uint32_t kStatusSerial = 2;

long nowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return long(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int fromHex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The socket of one "unix:path=..." or "unix:abstract=..." address; -1 for
// another transport or when nothing listens there.
int connectTo(const std::string &address)
{
    if (address.rfind("unix:", 0) != 0)
        return -1;
    std::string path;
    bool abstract = false;
    for (std::size_t at = 5; at <= address.size();) {
        const std::size_t end = std::min(address.find(',', at), address.size());
        const std::string pair = address.substr(at, end - at);
        const std::size_t equals = pair.find('=');
        const std::string key = pair.substr(0, equals);
        if (equals != std::string::npos && (key == "path" || key == "abstract")) {
            path.clear();
            abstract = key == "abstract";
            const std::string value = pair.substr(equals + 1);
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (value[i] == '%' && i + 2 < value.size() && fromHex(value[i + 1]) >= 0 &&
                    fromHex(value[i + 2]) >= 0) {
                    path += char(fromHex(value[i + 1]) * 16 + fromHex(value[i + 2]));
                    i += 2;
                } else {
                    path += value[i];
                }
            }
        }
        at = end + 1;
    }
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.empty() || offset + path.size() >= sizeof name.sun_path)
        return -1;
    std::memcpy(name.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&name), length) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// The session bus as the Qt front finds it: the session's address, else
// $XDG_RUNTIME_DIR/bus.
int connectToSessionBus()
{
    const char *given = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!given || !*given) {
        const char *runtime = std::getenv("XDG_RUNTIME_DIR");
        return runtime && *runtime ? connectTo(std::string("unix:path=") + runtime + "/bus") : -1;
    }
    const std::string addresses(given);
    for (std::size_t at = 0; at <= addresses.size();) {
        const std::size_t end = std::min(addresses.find(';', at), addresses.size());
        if (const int fd = connectTo(addresses.substr(at, end - at)); fd >= 0)
            return fd;
        at = end + 1;
    }
    return -1;
}

// A socket closed when it goes out of scope, its reads bound by one deadline.
class Connection
{
public:
    Connection()
        : m_fd(connectToSessionBus())
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

    bool write(const std::string &bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t sent = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent <= 0)
                return false;
            done += std::size_t(sent);
        }
        return true;
    }

    // Reads until the buffer holds at least `length` bytes.
    bool readTo(std::size_t length)
    {
        char chunk[4096];
        while (m_bytes.size() < length) {
            const long left = m_deadline - nowMs();
            pollfd wait{m_fd, POLLIN, 0};
            const int ready = left > 0 ? ::poll(&wait, 1, int(left)) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            m_bytes.append(chunk, std::size_t(got));
        }
        return true;
    }

    // The authentication's answer line, without its CR LF.
    bool readLine(std::string &line)
    {
        std::size_t end;
        while ((end = m_bytes.find("\r\n")) == std::string::npos) {
            if (m_bytes.size() > 4096 || !readTo(m_bytes.size() + 1))
                return false;
        }
        line = m_bytes.substr(0, end);
        m_bytes.erase(0, end + 2);
        return true;
    }

    // The next whole message; false at the deadline, at the end of the
    // stream, or for bytes that begin no message.
    bool readMessage(std::string &message);

private:
    int m_fd;
    long m_deadline = nowMs() + kAnswerMs;
    std::string m_bytes;
};

std::size_t padded(std::size_t at, std::size_t alignment)
{
    return (at + alignment - 1) / alignment * alignment;
}

// Reads a message's numbers in the byte order its first byte names.
class Reader
{
public:
    explicit Reader(const std::string &bytes)
        : m_bytes(bytes)
        , m_big(!bytes.empty() && bytes[0] == 'B')
    {
    }

    bool has(std::size_t at, std::size_t length) const { return at <= m_bytes.size() && length <= m_bytes.size() - at; }

    bool u32(std::size_t at, std::uint32_t &value) const
    {
        if (!has(at, 4))
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = std::uint32_t(std::uint8_t(m_bytes[at + std::size_t(m_big ? i : 3 - i)]));
            value = value << 8 | byte;
        }
        return true;
    }

    std::uint8_t byte(std::size_t at) const { return has(at, 1) ? std::uint8_t(m_bytes[at]) : 0; }

    // A string of the body or of a header field, after its 32-bit length;
    // `at` moves past its closing nul.
    bool string(std::size_t &at, std::string &text) const
    {
        std::uint32_t length = 0;
        at = padded(at, 4);
        if (!u32(at, length) || !has(at + 4, std::size_t(length) + 1) || m_bytes[at + 4 + length] != '\0')
            return false;
        text = m_bytes.substr(at + 4, length);
        at += 4 + std::size_t(length) + 1;
        return true;
    }

    // A signature, after its 8-bit length.
    bool signature(std::size_t &at, std::string &text) const
    {
        const std::size_t length = byte(at);
        if (!has(at + 1, length + 1) || m_bytes[at + 1 + length] != '\0')
            return false;
        text = m_bytes.substr(at + 1, length);
        at += 1 + length + 1;
        return true;
    }

private:
    const std::string &m_bytes;
    bool m_big;
};

// The length of the message whose 16-byte fixed header the bytes begin
// with; 0 for bytes that begin no message.
std::size_t messageLength(const std::string &bytes)
{
    const Reader reader(bytes);
    std::uint32_t body = 0;
    std::uint32_t fields = 0;
    if ((bytes[0] != 'l' && bytes[0] != 'B') || reader.byte(3) != 1 || !reader.u32(4, body) ||
        !reader.u32(12, fields) || body > kLongestMessage || fields > kLongestMessage)
        return 0;
    return padded(16 + std::size_t(fields), 8) + body;
}

bool Connection::readMessage(std::string &message)
{
    if (!readTo(16))
        return false;
    const std::size_t length = messageLength(m_bytes);
    if (length == 0 || !readTo(length))
        return false;
    message = m_bytes.substr(0, length);
    m_bytes.erase(0, length);
    return true;
}

// What matters of an answer: its type, the call it answers and the types
// of its body.
struct Header
{
    std::uint8_t type = 0;
    std::uint32_t replySerial = 0;
    std::string signature;
    std::size_t bodyAt = 0;
};

bool readHeader(const std::string &message, Header &header)
{
    const Reader reader(message);
    std::uint32_t fieldsLength = 0;
    reader.u32(12, fieldsLength);
    header.type = reader.byte(1);
    const std::size_t end = 16 + std::size_t(fieldsLength);
    for (std::size_t at = 16; at < end;) {
        at = padded(at, 8);
        const std::uint8_t code = reader.byte(at);
        std::string type;
        ++at;
        if (!reader.signature(at, type))
            return false;
        std::string text;
        if (type == "u") {
            at = padded(at, 4);
            std::uint32_t value = 0;
            if (!reader.u32(at, value))
                return false;
            at += 4;
            if (code == 5)
                header.replySerial = value;
        } else if (type == "s" || type == "o") {
            if (!reader.string(at, text))
                return false;
        } else if (type == "g") {
            if (!reader.signature(at, text))
                return false;
            if (code == 8)
                header.signature = text;
        } else {
            // The bus sends no other header field types.
            return false;
        }
        if (at > end)
            return false;
    }
    header.bodyAt = padded(end, 8);
    return true;
}

void appendU32(std::string &bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes += char(value >> (8 * i) & 0xff);
}

void align(std::string &bytes, std::size_t alignment)
{
    bytes.resize(padded(bytes.size(), alignment), '\0');
}

void appendString(std::string &bytes, const std::string &text)
{
    align(bytes, 4);
    appendU32(bytes, std::uint32_t(text.size()));
    bytes += text;
    bytes += '\0';
}

// One header field: its code, the signature of its one value, the value.
void appendField(std::string &fields, std::uint8_t code, char type, const std::string &value)
{
    align(fields, 8);
    fields += char(code);
    fields += '\1';
    fields += type;
    fields += '\0';
    if (type == 'g') {
        fields += char(value.size());
        fields += value;
        fields += '\0';
    } else {
        appendString(fields, value);
    }
}

// A little-endian method call with its body already written.
std::string methodCall(std::uint32_t serial, const std::string &destination, const std::string &path,
                       const std::string &interface, const std::string &member, const std::string &signature,
                       const std::string &body, std::uint8_t flags)
{
    std::string fields;
    appendField(fields, 1, 'o', path);
    appendField(fields, 2, 's', interface);
    appendField(fields, 3, 's', member);
    appendField(fields, 6, 's', destination);
    if (!signature.empty())
        appendField(fields, 8, 'g', signature);
    std::string message{'l', char(kMethodCall), char(flags), '\1'};
    appendU32(message, std::uint32_t(body.size()));
    appendU32(message, serial);
    appendU32(message, std::uint32_t(fields.size()));
    message += fields;
    align(message, 8);
    return message + body;
}

} // namespace

std::optional<std::string> askStatusText(bool json)
{
    Connection bus;
    // The credentials the socket carries say who asks: the user id, in hex
    // of its decimal digits.
    std::string user;
    for (const char digit : std::to_string(::getuid())) {
        static constexpr char kHex[] = "0123456789abcdef";
        user += kHex[std::uint8_t(digit) >> 4];
        user += kHex[std::uint8_t(digit) & 0xf];
    }
    std::string line;
    if (!bus.isOpen() || !bus.write(std::string(1, '\0') + "AUTH EXTERNAL " + user + "\r\n") || !bus.readLine(line) ||
        line.rfind("OK ", 0) != 0)
        return std::nullopt;
    // The bus's Hello first, then the call, with no start of a service by
    // the bus for a name nobody owns.
    std::string argument;
    appendU32(argument, json ? 1 : 0);
    const std::string messages =
        methodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "", "", 0) +
        methodCall(kStatusSerial, QUENDRAL_APP_ID, "/org/example/Quendral", "org.example.Quendral", "StatusText", "b",
                   argument, kNoAutoStart);
    if (!bus.write("BEGIN\r\n" + messages))
        return std::nullopt;
    for (std::string message; bus.readMessage(message);) {
        Header header;
        if (!readHeader(message, header))
            return std::nullopt;
        if (header.replySerial != kStatusSerial)
            continue;
        // Anything but the one string the copy answers with, an error
        // included, is the Qt front's to tell.
        std::size_t at = header.bodyAt;
        std::string text;
        if (header.type != kMethodReturn || header.signature != "s" || !Reader(message).string(at, text) ||
            at != message.size())
            return std::nullopt;
        return text;
    }
    return std::nullopt;
}

} // namespace quendral::launcher
