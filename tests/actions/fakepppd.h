#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <sys/types.h>

namespace quendral::test {

// Writes one interface into a stand-in for /sys/class/net; an empty `flags`
// leaves the flags file out.
bool writeNetInterface(const QString &netFolder, const QString &name, int type, int index, const QByteArray &flags);

// A stand-in for a running pppd: a copy of sleep under the name "pppd" (so
// that /proc names it like the real daemon) with its pid file in a run
// folder, optionally started by a stand-in "wvdial" (a copy of sh).
class FakePppd
{
public:
    FakePppd();
    ~FakePppd();
    FakePppd(const FakePppd &) = delete;
    FakePppd &operator=(const FakePppd &) = delete;

    bool start(const QString &runFolder, const QString &interfaceName);
    bool startUnderWvdial(const QString &runFolder, const QString &interfaceName);

    // True once the process we started (pppd, or wvdial) ended by SIGTERM.
    bool endsBySigterm();
    bool pppdAlive() const;
    pid_t pppdPid() const { return m_pppd; }

private:
    QString copyAs(const QString &original, const QString &name) const;

    QTemporaryDir m_binaries;
    QProcess m_process;
    pid_t m_pppd = 0;
};

} // namespace quendral::test
