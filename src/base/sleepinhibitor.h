#pragma once

#include <QObject>
#include <QString>

namespace quendral {

// Keeps the computer from sleeping or idling into sleep while monitoring runs,
// and tells when it has woken from a sleep that happened all the same.
class SleepInhibitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Asks the system to stay awake, `why` being shown to whoever looks at
    // what blocks sleep. True when it is held, also when it was held already;
    // false when the system has no such service or refused. Never blocks for
    // more than a few seconds.
    virtual bool hold(const QString &why) = 0;
    // Lets the system sleep again; nothing happens when nothing is held.
    virtual void release() = 0;
    virtual bool held() const = 0;

signals:
    // The computer has just woken from sleep or hibernation.
    void woke();
};

} // namespace quendral
