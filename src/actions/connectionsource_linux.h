#pragma once

#include "actions/connectionsource.h"
#include "actions/networkmanager_linux.h"
#include "actions/ppp_linux.h"

namespace quendral {

// Linux dial-up: NetworkManager's modem, PPPoE, ADSL and Bluetooth DUN links
// and its metered connections first, then the PPP links that pppd runs on its
// own.
class LinuxConnectionSource : public ConnectionSource
{
public:
    LinuxConnectionSource(const QDBusConnection &bus, const PppSource &ppp);

    std::optional<QList<DialupConnection>> connections() override;
    bool hang_up(const QString &handle) override;
    std::optional<quint64> receivedBytes(const QString &handle) override;
    void setMetering(bool on) override;

private:
    NetworkManagerSource m_networkManager;
    PppSource m_ppp;
};

} // namespace quendral
