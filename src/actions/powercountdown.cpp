#include "actions/powercountdown.h"

#include "base/desktopnotifier.h"
#include "base/powercontrol.h"
#include "kit/messagebox.h"
#include "kit/picturebutton.h"
#include "kit/titlefit.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace quendral {

PowerCountdown::PowerCountdown(const CountdownDeps &deps, PowerControl &power, DesktopNotifier &notifier,
                               PowerControl::Action action, int seconds, QWidget *parent)
    : CountdownWindow(deps,
                      {QStringLiteral("frmshut"), QStringLiteral("Quendral - Zamykanie systemu"),
                       QStringLiteral("lblshut"), QStringLiteral("Quendral wyłączy komputer za:"),
                       QStringLiteral("cmdshut"), QStringLiteral("&Wyłącz natychmiast"),
                       QStringLiteral(":/quendral/actions/poweroff.svg"), QStringLiteral("cmdnotshut"),
                       QStringLiteral("&Nie wyłączaj"), QStringLiteral(":/quendral/actions/decline.svg"),
                       QStringLiteral("timer_shut"),
                       /*timerEnabled=*/true, /*fixedBorder=*/false},
                      seconds, parent)
    , m_power(power)
    , m_notifier(notifier)
    , m_action(action)
{
    showActionTexts();
    connect(timer(), &QTimer::timeout, this, &PowerCountdown::countSecond);
    connect(actButton(), &PictureButton::clicked, this, &PowerCountdown::actNow);
    connect(declineButton(), &PictureButton::clicked, this, &PowerCountdown::declineAction);
}

void PowerCountdown::showActionTexts()
{
    const auto &texts = powerActionInfo(m_action).countdownTexts;
    if (!texts)
        return;
    const auto text = [this](Msg id) { return m_deps.state.message(id); };
    const auto [title, label, now, dont] = *texts;
    setWindowTitle(text(title));
    findChild<QLabel *>(QStringLiteral("lblshut"))->setText(text(label));
    actButton()->setText(text(now));
    declineButton()->setText(text(dont));
    // The power-off tooltips would say the wrong thing.
    actButton()->setToolTip(QString());
    declineButton()->setToolTip(QString());
    fitTitle(this);
}

void PowerCountdown::changeEvent(QEvent *event)
{
    CountdownWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        showActionTexts();
}

void PowerCountdown::countSecond()
{
    if (!countDown())
        return;
    restartCount();
    stopTimer();
    powerOffAndClose();
}

void PowerCountdown::actNow()
{
    stopTimer();
    restartCount();
    powerOffAndClose();
}

void PowerCountdown::powerOffAndClose()
{
    const QString refused = m_power.perform(m_action);
    // The window goes first, so that the tray shows monitoring stopped while
    // the box waits for the user; what the report needs is kept aside.
    DesktopNotifier &notifier = m_notifier;
    const QString text = m_deps.state.message(powerActionInfo(m_action).refused);
    closeWindow();
    if (refused.isEmpty())
        return;
    const QString report = text + QStringLiteral("\n\n") + refused;
    notifier.notify(QStringLiteral("Quendral"), report);
    msgbox::show(nullptr, report, msgbox::Icon::Warning);
}

void PowerCountdown::declineAction()
{
    restartCount();
    stopTimer();
    closeWindow(/*declined=*/true);
}

} // namespace quendral
