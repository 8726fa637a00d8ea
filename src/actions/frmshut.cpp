#include "actions/frmshut.h"

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

frmshut::frmshut(const CountdownDeps &deps, PowerControl &power, DesktopNotifier &notifier, PowerControl::Action action,
                 int seconds, QWidget *parent)
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
    connect(timer(), &QTimer::timeout, this, &frmshut::timer_shut_Timer);
    connect(actButton(), &PictureButton::clicked, this, &frmshut::cmdshut_Click);
    connect(declineButton(), &PictureButton::clicked, this, &frmshut::cmdnotshut_Click);
}

void frmshut::showActionTexts()
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

void frmshut::changeEvent(QEvent *event)
{
    CountdownWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        showActionTexts();
}

void frmshut::timer_shut_Timer()
{
    if (!countDown())
        return;
    restartCount();
    stopTimer();
    powerOffAndClose();
}

void frmshut::cmdshut_Click()
{
    stopTimer();
    restartCount();
    powerOffAndClose();
}

void frmshut::powerOffAndClose()
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

void frmshut::cmdnotshut_Click()
{
    restartCount();
    stopTimer();
    closeWindow(/*declined=*/true);
}

} // namespace quendral
