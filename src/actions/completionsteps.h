#pragma once

#include "actions/completionsequence.h"
#include "settings/completionchoice.h"

#include <QPointer>

namespace quendral {

class CountdownWindow;

// Plays a sound to its end before the next step.
class SoundStep final : public CompletionStep
{
    Q_OBJECT

public:
    SoundStep(const Context &context, const QString &path);
    void run() override;
    QString describe() const override;

private:
    QString m_path;
};

// Shows the completion notice, which stays on its own while the next steps
// run, with the completion's reason.
class NoticeStep final : public CompletionStep
{
    Q_OBJECT

public:
    NoticeStep(const Context &context, const CompletionChoice &choice);
    void run() override;
    QString describe() const override;

private:
    CompletionChoice m_choice;
};

// Shows a countdown window, the hang-up's or (with `power`) the power
// action's, counting `seconds`, and starts its count; done when the window
// closes, by its timer or its buttons.
class CountdownStep final : public CompletionStep
{
    Q_OBJECT

public:
    CountdownStep(const Context &context, std::optional<PowerControl::Action> power, int seconds);
    void run() override;
    bool involvesUser() const override { return true; }
    QString describe() const override;
    void decline() override;
    std::optional<Countdown> countdown() const override;

private:
    // The window of the same kind that is loaded now, if any.
    CountdownWindow *loadedWindow() const;

    std::optional<PowerControl::Action> m_power;
    int m_seconds;
    QPointer<CountdownWindow> m_shown;
};

} // namespace quendral
