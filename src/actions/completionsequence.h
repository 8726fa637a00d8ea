#pragma once

#include "engine/completionrunner.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quendral {

struct CompletionChoice;
class ActionWindows;
class DesktopNotifier;
class SoundPlayer;

// One step of a completion: a sound, the notice, a countdown. `run` does the
// step's work and reports `done` when it is over, at once or later (a
// countdown when its window closes).
class CompletionStep : public QObject
{
    Q_OBJECT

public:
    enum class Result { Done, Declined };
    Q_ENUM(Result)
    using Countdown = CompletionRunner::Countdown;

    // What the steps are built from; a new kind of step adds what it needs.
    struct Context
    {
        ActionWindows &windows;
        SoundPlayer &sound;
        // Where a step's failure is told besides the log; none in some tests.
        DesktopNotifier *notifier = nullptr;
    };

    explicit CompletionStep(const Context &context);
    virtual void run() = 0;
    // A step the user takes part in (a countdown): monitoring waits for it.
    virtual bool involvesUser() const { return false; }
    // A name for the log.
    virtual QString describe() const = 0;
    // Declines the step while it runs, as its window's decline button does.
    virtual void decline() {}
    // The countdown this step shows, while it shows one.
    virtual std::optional<Countdown> countdown() const { return std::nullopt; }

signals:
    void done(quendral::CompletionStep::Result result);
    // The countdown's seconds changed.
    void counted();

protected:
    const Context m_context;
};

// The steps of one completion, in the order they run. Adding a step is one
// line: `plan.add<SomeStep>(arguments after the context)`.
class CompletionPlan
{
public:
    explicit CompletionPlan(const CompletionStep::Context &context)
        : m_context(context)
    {
    }

    template <typename Step, typename... Args> void add(Args &&...args)
    {
        m_steps.push_back(std::make_unique<Step>(m_context, std::forward<Args>(args)...));
    }
    bool empty() const { return m_steps.empty(); }
    // True when a step waits for the user, so the completion is not over at once.
    bool involvesUser() const;

private:
    friend class CompletionSequence;
    CompletionStep::Context m_context;
    std::vector<std::unique_ptr<CompletionStep>> m_steps;
};

// Runs a completion's steps one after another, each when the one before it is
// done, and says when the last is done. A completion started while another
// still runs (monitoring started again during a countdown) follows it, and
// `finished` comes once both are done.
class CompletionSequence final : public CompletionRunner
{
    Q_OBJECT

public:
    explicit CompletionSequence(const CompletionStep::Context &context, QObject *parent = nullptr);
    ~CompletionSequence() override;

    // An empty plan over this sequence's context.
    CompletionPlan plan() const { return CompletionPlan(m_context); }
    void start(CompletionPlan plan);
    void start(const CompletionChoice &choice, const QString &watchList) override;
    bool running() const override { return !m_steps.empty(); }
    bool countingDown() const override;
    std::optional<Countdown> countdown() const override;
    bool declineCountdown() override;

    // What a request to decline the countdowns meets now: one runs or is
    // still to come; none does; or none does because the last one ran out
    // and its action has been requested (until another completion starts).
    enum class Declinable { Countdown, Nothing, TooLate };
    Q_ENUM(Declinable)
    Declinable declinable() const;

private:
    void runSteps();
    void stepDone(CompletionStep::Result result);

    CompletionStep::Context m_context;
    std::vector<std::unique_ptr<CompletionStep>> m_steps;
    std::size_t m_next = 0;
    bool m_waiting = false;
    bool m_inRun = false;
    bool m_declined = false;
    // The last countdown ran out: its hang-up or power action was asked for.
    bool m_requested = false;
};

} // namespace quendral
