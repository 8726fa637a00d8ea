#pragma once

#include "actions/completionsequence.h"

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

// Shows the completion notice, which stays on its own while the next steps run.
// A `reason` replaces its text when the files alone did not decide.
class NoticeStep final : public CompletionStep
{
    Q_OBJECT

public:
    explicit NoticeStep(const Context &context, const QString &reason = QString());
    void run() override;
    QString describe() const override;

private:
    QString m_reason;
};

// Shows a countdown window (frmdis or frmshut) and starts its count; done when
// the window closes, by its timer or its buttons.
class CountdownStep final : public CompletionStep
{
    Q_OBJECT

public:
    CountdownStep(const Context &context, const QString &window);
    void run() override;
    bool involvesUser() const override { return true; }
    QString describe() const override;
    void decline() override;

private:
    QString m_window;
    QPointer<CountdownWindow> m_shown;
};

} // namespace quendral
