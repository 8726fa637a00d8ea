#pragma once

#include "base/powercontrol.h"

#include <QObject>
#include <QString>

#include <optional>

namespace quendral {

struct CompletionChoice;

// What carries out a completion that monitoring decided: its steps, the
// countdowns the user may decline. Monitoring hands it the choice and follows
// its signals; the windows that do the work live above the engine.
class CompletionRunner : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { Completed, Declined };
    Q_ENUM(Outcome)
    // A countdown on screen: the power action it ends in (none: the
    // hang-up), its length and the seconds left.
    struct Countdown
    {
        std::optional<PowerControl::Action> power;
        int length = 0;
        int left = 0;
    };

    using QObject::QObject;

    // The steps of what the completion decided, in their order: the sound,
    // the notice, the command, the hang-up and power countdowns.
    // `watchList` is the settings file the command is told of.
    virtual void start(const CompletionChoice &choice, const QString &watchList) = 0;
    virtual bool running() const = 0;
    // A countdown runs now and waits for its end or for the user.
    virtual bool countingDown() const = 0;
    // That countdown: which, how long, how much is left.
    virtual std::optional<Countdown> countdown() const = 0;
    // Declines that countdown; false when none runs.
    virtual bool declineCountdown() = 0;

signals:
    // Declined when the user declined any step of it.
    void finished(quendral::CompletionRunner::Outcome outcome);
    // A countdown began or ended (countingDown() tells which).
    void countingDownChanged();
    // The countdown on screen counted a second.
    void counted();
};

} // namespace quendral
