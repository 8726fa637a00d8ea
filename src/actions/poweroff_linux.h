#pragma once

#include "kit/powercontrol.h"

#include <QDBusConnection>

namespace quendral {

// Powers off through systemd-logind. The request is the non-interactive one:
// whether this user may power off is polkit's decision, and a refusal is
// silent, as every failed platform call of the completion actions is.
class LogindPowerControl : public PowerControl
{
public:
    explicit LogindPowerControl(const QDBusConnection &bus);

    void power_off() override;

private:
    QDBusConnection m_bus;
};

} // namespace quendral
