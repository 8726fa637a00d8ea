#pragma once

#include <QString>

namespace quendral {

// Passes a text on to the desktop's own notifications, beside the program's
// windows.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    // Sends the notification when the desktop has a notification service
    // running and returns at once: it never waits for the service.
    virtual void notify(const QString &summary, const QString &body) = 0;
};

} // namespace quendral
