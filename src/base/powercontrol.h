#pragma once

#include <QString>

namespace quendral {

// Turns the computer off, or puts it to sleep.
class PowerControl
{
public:
    // What the completion does to the machine, as the options store it.
    enum class Action { PowerOff, Suspend, Hibernate };

    // Whether this user may power off, as the system says beforehand.
    enum class Ability {
        Yes,       // allowed without asking
        Challenge, // only after an administrator's password, which nobody may be there to give
        No,        // not allowed, or not possible on this machine
        Unknown,   // the system did not answer
    };

    virtual ~PowerControl() = default;
    // Never blocks for more than a few seconds.
    virtual Ability canPowerOff() = 0;
    // Asks for the power-off without any question to the user. Returns an
    // empty text when the request was taken, otherwise why it was refused.
    virtual QString powerOff() = 0;
    // The same for suspend and hibernate (never PowerOff). The program runs on
    // once the machine resumes. A back-end without them says so.
    virtual Ability canSleep(Action) { return Ability::No; }
    virtual QString sleep(Action) { return QStringLiteral("Not available on this system."); }

    Ability can(Action action) { return action == Action::PowerOff ? canPowerOff() : canSleep(action); }
    QString perform(Action action) { return action == Action::PowerOff ? powerOff() : sleep(action); }
};

} // namespace quendral
