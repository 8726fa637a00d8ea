#include "actions/actionwindows.h"

#include "actions/completionnotice.h"
#include "actions/hangupcountdown.h"
#include "actions/powercountdown.h"

#include <QScreen>

#include <algorithm>

namespace quendral {

ActionWindows::ActionWindows(const CountdownDeps &deps, DialupControl &dialup, PowerControl &power,
                             DesktopNotifier &notifier)
    : m_deps(deps)
    , m_dialup(dialup)
    , m_power(power)
    , m_notifier(notifier)
{
}

CompletionNotice *ActionWindows::showNotice(const CompletionChoice &choice)
{
    if (!m_notice)
        m_notice = new CompletionNotice(m_deps.state, m_deps.sound, m_notifier, m_deps.loadLanguage);
    m_notice->showReason(choice);
    m_notice->show();
    m_notice->raise();
    arrange();
    return m_notice;
}

CountdownWindow *ActionWindows::show(CountdownWindow *window, std::optional<PowerControl::Action> power)
{
    // The notice tells what became of the count.
    QObject::connect(window, &CountdownWindow::closed, window, [this, power](bool declined) {
        if (m_notice)
            m_notice->countdownEnded(power, declined);
    });
    // Shown unasked: the keyboard stays with the program the user types in.
    window->show();
    window->raise();
    arrange();
    return window;
}

void ActionWindows::arrange()
{
    CountdownWindow *count = m_powerAction && m_powerAction->isVisible() ? m_powerAction.data() : m_hangUp.data();
    if (!m_notice || !count || !count->isVisible() || !m_notice->isVisible())
        return;
    const QScreen *screen = count->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const QRect counted = count->frameGeometry();
    const QSize size = m_notice->frameGeometry().size();
    constexpr int kGap = 8;
    QPoint at(counted.center().x() - size.width() / 2, counted.top() - kGap - size.height());
    if (at.y() < room.top()) {
        // Beside it, on the side with more room.
        const bool left = counted.left() - room.left() > room.right() - counted.right();
        at = QPoint(left ? counted.left() - kGap - size.width() : counted.right() + kGap, counted.top());
    }
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
    m_notice->move(at);
}

CountdownWindow *ActionWindows::showHangUp(int seconds)
{
    m_hangUp = new HangUpCountdown(m_deps, m_dialup, seconds);
    return show(m_hangUp, std::nullopt);
}

CountdownWindow *ActionWindows::showPowerAction(PowerControl::Action action, int seconds)
{
    m_powerAction = new PowerCountdown(m_deps, m_power, m_notifier, action, seconds);
    return show(m_powerAction, action);
}

} // namespace quendral
