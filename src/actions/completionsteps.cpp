#include "actions/completionsteps.h"

#include "actions/actionwindows.h"
#include "actions/countdownwindow.h"
#include "base/logging.h"
#include "base/soundplayer.h"

namespace quendral {

SoundStep::SoundStep(const Context &context, const QString &path)
    : CompletionStep(context)
    , m_path(path)
{
}

void SoundStep::run()
{
    m_context.sound.playSync(m_path);
    emit done(Result::Done);
}

QString SoundStep::describe() const
{
    return QStringLiteral("sound ") + m_path;
}

NoticeStep::NoticeStep(const Context &context, const CompletionChoice &choice)
    : CompletionStep(context)
    , m_choice(choice)
{
}

void NoticeStep::run()
{
    m_context.windows.showNotice(m_choice);
    emit done(Result::Done);
}

QString NoticeStep::describe() const
{
    return QStringLiteral("notice");
}

CountdownStep::CountdownStep(const Context &context, std::optional<PowerControl::Action> power, int seconds)
    : CompletionStep(context)
    , m_power(power)
    , m_seconds(seconds)
{
}

CountdownWindow *CountdownStep::loadedWindow() const
{
    return m_power ? m_context.windows.powerAction() : m_context.windows.hangUp();
}

void CountdownStep::run()
{
    // The window of an earlier completion that has just closed is still
    // loaded until it is deleted; this count opens a fresh one after that.
    if (CountdownWindow *closing = loadedWindow(); closing && closing->closing()) {
        connect(closing, &QObject::destroyed, this, &CountdownStep::run, Qt::QueuedConnection);
        return;
    }
    CountdownWindow *window =
        m_power ? m_context.windows.showPowerAction(*m_power, m_seconds) : m_context.windows.showHangUp(m_seconds);
    m_shown = window;
    connect(window, &CountdownWindow::closed, this,
            [this](bool declined) { emit done(declined ? Result::Declined : Result::Done); });
    connect(window, &CountdownWindow::secondsChanged, this, &CompletionStep::counted);
    window->enableTimer();
}

QString CountdownStep::describe() const
{
    return QStringLiteral("countdown ") +
           (m_power ? QLatin1String(powerActionInfo(*m_power).name) : QLatin1String("hangup"));
}

std::optional<CompletionStep::Countdown> CountdownStep::countdown() const
{
    if (!m_shown)
        return std::nullopt;
    return Countdown{m_power, m_shown->length(), m_shown->secondsLeft()};
}

void CountdownStep::decline()
{
    if (m_shown && !m_shown->closing())
        m_shown->decline();
}

} // namespace quendral
