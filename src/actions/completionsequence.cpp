#include "actions/completionsequence.h"

#include "actions/actionwindows.h"
#include "actions/commandstep.h"
#include "actions/completionsteps.h"
#include "base/logging.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"

#include <algorithm>

namespace quendral {

CompletionStep::CompletionStep(const Context &context)
    : m_context(context)
{
}

bool CompletionPlan::involvesUser() const
{
    return std::any_of(m_steps.cbegin(), m_steps.cend(), [](const auto &step) { return step->involvesUser(); });
}

CompletionSequence::CompletionSequence(const CompletionStep::Context &context, QObject *parent)
    : CompletionRunner(parent)
    , m_context(context)
{
}

CompletionSequence::~CompletionSequence() = default;

void CompletionSequence::start(CompletionPlan plan)
{
    const bool idle = !running();
    if (idle)
        m_requested = false;
    for (auto &step : plan.m_steps) {
        connect(step.get(), &CompletionStep::done, this, &CompletionSequence::stepDone);
        connect(step.get(), &CompletionStep::counted, this, &CompletionSequence::counted);
        m_steps.push_back(std::move(step));
    }
    if (idle)
        runSteps();
}

bool CompletionSequence::countingDown() const
{
    return m_waiting && m_next > 0 && m_steps[m_next - 1]->involvesUser();
}

void CompletionSequence::start(const CompletionChoice &choice, const QString &watchList)
{
    CompletionPlan plan = this->plan();
    if (!choice.soundPath.isEmpty())
        plan.add<SoundStep>(choice.soundPath);
    if (choice.notice)
        plan.add<NoticeStep>(choice);
    if (!choice.command.isEmpty()) {
        const AppState &state = m_context.windows.state();
        plan.add<CommandStep>(choice, choice.files, watchList,
                              CommandStep::Texts{state.message(Msg::CommandFailed), state.message(Msg::CommandExitCode),
                                                 state.message(Msg::CommandTimedOut)});
    }
    if (choice.hangUp)
        plan.add<CountdownStep>(std::nullopt, choice.countdownSeconds);
    if (choice.power)
        plan.add<CountdownStep>(choice.power, choice.countdownSeconds);
    start(std::move(plan));
}

std::optional<CompletionStep::Countdown> CompletionSequence::countdown() const
{
    return countingDown() ? m_steps[m_next - 1]->countdown() : std::nullopt;
}

bool CompletionSequence::declineCountdown()
{
    if (!countingDown())
        return false;
    m_steps[m_next - 1]->decline();
    return true;
}

CompletionSequence::Declinable CompletionSequence::declinable() const
{
    // The step that runs, if it still waits, and those after it.
    const std::size_t from = m_waiting ? m_next - 1 : m_next;
    for (std::size_t i = from; i < m_steps.size(); ++i) {
        if (m_steps[i]->involvesUser())
            return Declinable::Countdown;
    }
    return m_requested ? Declinable::TooLate : Declinable::Nothing;
}

void CompletionSequence::runSteps()
{
    // A step may report done inside its run (a sound, the notice); the loop
    // goes on with the next one instead of nesting a call per step.
    while (m_next < m_steps.size()) {
        CompletionStep &step = *m_steps[m_next++];
        qCDebug(lcCompletion) << "step" << step.describe();
        m_waiting = true;
        m_inRun = true;
        step.run();
        m_inRun = false;
        if (m_waiting) {
            if (step.involvesUser())
                emit countingDownChanged();
            return;
        }
    }
    const Outcome outcome = m_declined ? Outcome::Declined : Outcome::Completed;
    qCDebug(lcCompletion) << "completion finished:" << outcome;
    m_next = 0;
    m_declined = false;
    // The steps may be inside their own signal: they go once it returns.
    for (auto &step : m_steps)
        step.release()->deleteLater();
    m_steps.clear();
    emit finished(outcome);
}

void CompletionSequence::stepDone(CompletionStep::Result result)
{
    // Only the step that runs may move the sequence on, and only once.
    if (!m_waiting || sender() != m_steps[m_next - 1].get())
        return;
    m_waiting = false;
    if (result == CompletionStep::Result::Declined)
        m_declined = true;
    if (m_steps[m_next - 1]->involvesUser()) {
        m_requested = result == CompletionStep::Result::Done;
        emit countingDownChanged();
    }
    if (!m_inRun)
        runSteps();
}

} // namespace quendral
