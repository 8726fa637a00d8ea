#pragma once

#include "base/powercontrol.h"

#include <QDBusConnection>

namespace quendral {

// Powers off through systemd-logind. The request is the non-interactive one:
// whether this user may power off is polkit's decision, which CanPowerOff
// tells beforehand and a refused request reports with logind's reason.
// logind is never started for us, and no call waits long.
class LogindPowerControl : public PowerControl
{
public:
    explicit LogindPowerControl(const QDBusConnection &bus);

    Ability canPowerOff() override;
    QString powerOff() override;
    // CanSuspend/CanHibernate and Suspend/Hibernate, asked the same way.
    Ability canSleep(Action action) override;
    QString sleep(Action action) override;

private:
    Ability ask(const QString &method);
    QString request(const QString &method);

    QDBusConnection m_bus;
};

} // namespace quendral
