#pragma once

#include "base/sleepinhibitor.h"

#include <QDBusConnection>

namespace quendral {

// A "block" inhibitor of sleep and idle from systemd-logind. logind hands out
// a file descriptor and keeps the inhibitor while any copy of it is open:
// release() closes ours, and so does the end of the process, a crash included.
// logind is never started for us, and the request waits at most two seconds.
//
// A logind that restarts forgets the inhibitors it handed out: one held is
// taken again from the new logind. logind's PrepareForSleep(false), sent when
// the computer has woken, is passed on as woke().
class LogindSleepInhibitor : public SleepInhibitor
{
    Q_OBJECT

public:
    explicit LogindSleepInhibitor(const QDBusConnection &bus);
    ~LogindSleepInhibitor() override;
    LogindSleepInhibitor(const LogindSleepInhibitor &) = delete;
    LogindSleepInhibitor &operator=(const LogindSleepInhibitor &) = delete;

    bool hold(const QString &why) override;
    void release() override;
    bool held() const override { return m_fd >= 0; }

private slots:
    void prepareForSleep(bool sleeping);

private:
    void logindReturned(const QString &newOwner);

    QDBusConnection m_bus;
    int m_fd = -1;
    QString m_why;
};

} // namespace quendral
