#pragma once

#include "base/desktopnotifier.h"

#include <QDBusConnection>

namespace quendral {

// org.freedesktop.Notifications on the session bus, as app "Quendral" with
// the program icon. The call is sent without waiting for its answer and never
// starts a notification daemon: with none running, nothing is shown.
class FreedesktopNotifier : public DesktopNotifier
{
public:
    // `icon`: a file's absolute path or an icon theme's name.
    FreedesktopNotifier(const QDBusConnection &bus, const QString &icon);

    void notify(const QString &summary, const QString &body) override;

private:
    QDBusConnection m_bus;
    QString m_icon;
};

} // namespace quendral
