#pragma once

#include "actions/connectionsource.h"

#include <QSet>

#include <optional>

namespace quendral {

// PPP links that pppd runs outside NetworkManager (started by `pon` or
// `wvdial`). Handles are interface names. The folders are those of the
// running system unless a test gives its own tree.
class PppSource
{
public:
    explicit PppSource(const QString &netFolder = QStringLiteral("/sys/class/net"),
                       const QString &runFolder = QStringLiteral("/run"));

    // The PPP interfaces in interface-index order, connected when up, except
    // those named in `skip`.
    QList<DialupConnection> list(const QSet<QString> &skip) const;
    // Sends SIGTERM to the pppd that runs `interfaceName`, or to the wvdial
    // that started it (which would otherwise dial again). False when no
    // running pppd owns the link.
    bool hang_up(const QString &interfaceName) const;
    // The kernel's count of bytes received over an interface; nothing when it
    // cannot be read.
    std::optional<quint64> receivedBytes(const QString &interfaceName) const;

    // The program's own source: the running system's folders, except in a
    // test session on the private bus (QUENDRAL_TEST_BUS names the system
    // bus), where they lie under QUENDRAL_TEST_PPP_ROOT (sys/class/net and
    // run), so that a test run cannot signal a pppd of the machine.
    static PppSource ofProgram();

private:
    QString m_netFolder;
    QString m_runFolder;
};

} // namespace quendral
