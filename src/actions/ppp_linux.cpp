#include "actions/ppp_linux.h"

#include "base/logging.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/types.h>

namespace quendral {

namespace {

// ARPHRD_PPP and IFF_UP from the kernel's interface headers.
constexpr int pppType = 512;
constexpr uint upFlag = 0x1;

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).trimmed();
}

QByteArray processName(pid_t pid)
{
    return readSmallFile(QStringLiteral("/proc/%1/comm").arg(pid));
}

// The parent's id is the second field after the name in parentheses, which
// may itself contain spaces and parentheses.
pid_t parentOf(pid_t pid)
{
    const QByteArray stat = readSmallFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 1).simplified().split(' ');
    return fields.size() > 1 ? fields.at(1).toInt() : 0;
}

struct PppLink
{
    int index = 0;
    QString name;
    bool up = false;
};

} // namespace

PppSource::PppSource(const QString &netFolder, const QString &runFolder)
    : m_netFolder(netFolder)
    , m_runFolder(runFolder)
{
}

PppSource PppSource::ofProgram()
{
    const QByteArray testBus = qgetenv("QUENDRAL_TEST_BUS");
    const QString testRoot = qEnvironmentVariable("QUENDRAL_TEST_PPP_ROOT");
    if (testBus.isEmpty() || testBus != qgetenv("DBUS_SYSTEM_BUS_ADDRESS") || testRoot.isEmpty())
        return PppSource();
    return PppSource(joinPath(testRoot, QStringLiteral("sys/class/net")), joinPath(testRoot, QStringLiteral("run")));
}

QList<DialupConnection> PppSource::list(const QSet<QString> &skip) const
{
    QList<PppLink> links;
    const QStringList names = QDir(m_netFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString folder = joinPath(m_netFolder, name) + QLatin1Char('/');
        if (skip.contains(name) || readSmallFile(folder + QLatin1String("type")).toInt() != pppType)
            continue;
        bool flagsRead = false;
        const uint flags = readSmallFile(folder + QLatin1String("flags")).toUInt(&flagsRead, 0);
        links.append({readSmallFile(folder + QLatin1String("ifindex")).toInt(), name, flagsRead && (flags & upFlag)});
    }
    std::sort(links.begin(), links.end(), [](const PppLink &a, const PppLink &b) { return a.index < b.index; });

    QList<DialupConnection> connections;
    for (const PppLink &link : links)
        connections.append({link.name, link.up});
    return connections;
}

bool PppSource::hang_up(const QString &interfaceName) const
{
    if (interfaceName.isEmpty() || interfaceName.contains(QLatin1Char('/')) ||
        interfaceName.startsWith(QLatin1Char('.')))
        return false;
    bool valid = false;
    const pid_t pid = readSmallFile(joinPath(m_runFolder, interfaceName + QLatin1String(".pid"))).toInt(&valid);
    // A pid file left behind by a pppd that died may name an unrelated
    // process by now: only a running pppd gets the signal.
    if (!valid || pid <= 1 || processName(pid) != "pppd") {
        qCWarning(lcDialup) << "No running pppd owns" << interfaceName;
        return false;
    }
    const pid_t parent = parentOf(pid);
    const pid_t target = parent > 1 && processName(parent) == "wvdial" ? parent : pid;
    qCDebug(lcDialup) << "Ending" << interfaceName << "with SIGTERM to" << (target == pid ? "pppd" : "wvdial")
                      << target;
    if (::kill(target, SIGTERM) == 0)
        return true;
    const int error = errno;
    qCWarning(lcDialup) << "Signalling" << target << "for" << interfaceName << "failed:" << strerrorname_np(error)
                        << std::strerror(error);
    return false;
}

std::optional<quint64> PppSource::receivedBytes(const QString &interfaceName) const
{
    QFile counter(m_netFolder + u'/' + interfaceName + QStringLiteral("/statistics/rx_bytes"));
    if (interfaceName.contains(u'/') || !counter.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const quint64 bytes = counter.readAll().trimmed().toULongLong(&ok);
    return ok ? std::optional<quint64>(bytes) : std::nullopt;
}

} // namespace quendral
