#include "actions/completionsteps.h"

#include "actions/countdownwindow.h"
#include "actions/frminfo.h"
#include "kit/logging.h"
#include "kit/soundplayer.h"
#include "kit/windowfactory.h"

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

NoticeStep::NoticeStep(const Context &context, const QString &reason)
    : CompletionStep(context)
    , m_reason(reason)
{
}

void NoticeStep::run()
{
    auto *notice = qobject_cast<frminfo *>(m_context.windows.show(QStringLiteral("frminfo")));
    if (notice && !m_reason.isEmpty())
        notice->setReason(m_reason);
    emit done(Result::Done);
}

QString NoticeStep::describe() const
{
    return QStringLiteral("notice");
}

CountdownStep::CountdownStep(const Context &context, const QString &window)
    : CompletionStep(context)
    , m_window(window)
{
}

void CountdownStep::run()
{
    // The window of an earlier completion that has just closed is still
    // loaded until it is deleted; this count opens a fresh one after that.
    if (auto *closing = qobject_cast<CountdownWindow *>(m_context.windows.loaded(m_window));
        closing && closing->closing()) {
        connect(closing, &QObject::destroyed, this, &CountdownStep::run, Qt::QueuedConnection);
        return;
    }
    auto *window = qobject_cast<CountdownWindow *>(m_context.windows.show(m_window));
    if (!window) {
        qCWarning(lcCompletion) << "no countdown window" << m_window;
        emit done(Result::Done);
        return;
    }
    m_shown = window;
    connect(window, &CountdownWindow::closed, this,
            [this](bool declined) { emit done(declined ? Result::Declined : Result::Done); });
    window->enableTimer();
}

QString CountdownStep::describe() const
{
    return QStringLiteral("countdown ") + m_window;
}

void CountdownStep::decline()
{
    if (m_shown && !m_shown->closing())
        m_shown->decline();
}

} // namespace quendral
