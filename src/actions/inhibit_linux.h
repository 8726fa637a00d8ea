#pragma once

#include "kit/sleepinhibitor.h"

#include <QDBusConnection>

namespace quendral {

// A "block" inhibitor of sleep and idle from systemd-logind. logind hands out
// a file descriptor and keeps the inhibitor while any copy of it is open:
// release() closes ours, and so does the end of the process, a crash included.
// logind is never started for us, and the request waits at most two seconds.
class LogindSleepInhibitor : public SleepInhibitor
{
public:
    explicit LogindSleepInhibitor(const QDBusConnection &bus);
    ~LogindSleepInhibitor() override;
    LogindSleepInhibitor(const LogindSleepInhibitor &) = delete;
    LogindSleepInhibitor &operator=(const LogindSleepInhibitor &) = delete;

    bool hold(const QString &why) override;
    void release() override;
    bool held() const override { return m_fd >= 0; }

private:
    QDBusConnection m_bus;
    int m_fd = -1;
};

} // namespace quendral
