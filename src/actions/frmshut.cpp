#include "actions/frmshut.h"

#include "kit/desktopnotifier.h"
#include "kit/messagebox.h"
#include "kit/picturebutton.h"
#include "kit/powercontrol.h"
#include "kit/titlefit.h"
#include "settings/appstate.h"
#include "settings/options.h"

#include <QEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTimer>

namespace quendral {

frmshut::frmshut(const CountdownDeps &deps, PowerControl &power, DesktopNotifier &notifier, QWidget *parent)
    : CountdownWindow(deps,
                      {QStringLiteral("frmshut"), QStringLiteral("Quendral - Zamykanie systemu"),
                       QStringLiteral("lblshut"), QStringLiteral("Quendral wyłączy komputer za:"),
                       QStringLiteral("cmdshut"), QStringLiteral("&Wyłącz natychmiast"),
                       QStringLiteral(":/quendral/actions/poweroff.svg"), QStringLiteral("cmdnotshut"),
                       QStringLiteral("&Nie wyłączaj"), QStringLiteral(":/quendral/actions/decline.svg"),
                       QStringLiteral("timer_shut"),
                       /*timerEnabled=*/true, /*fixedBorder=*/false},
                      parent)
    , m_power(power)
    , m_notifier(notifier)
    , m_action(PowerControl::Action(Options::read(deps.state.store).powerActionIndex()))
{
    showActionTexts();
    connect(timer(), &QTimer::timeout, this, &frmshut::timer_shut_Timer);
    connect(actButton(), &PictureButton::clicked, this, &frmshut::cmdshut_Click);
    connect(declineButton(), &PictureButton::clicked, this, &frmshut::cmdnotshut_Click);
}

void frmshut::showActionTexts()
{
    if (m_action == PowerControl::Action::PowerOff)
        return;
    const QScopedValueRollback showing(m_showingTexts, true);
    const bool hibernate = m_action == PowerControl::Action::Hibernate;
    const auto text = [this](Msg id) { return m_deps.state.message(id); };
    setWindowTitle(text(hibernate ? Msg::HibernateTitle : Msg::SuspendTitle));
    findChild<QLabel *>(QStringLiteral("lblshut"))->setText(text(hibernate ? Msg::HibernateText : Msg::SuspendText));
    actButton()->setText(text(hibernate ? Msg::HibernateNow : Msg::SuspendNow));
    declineButton()->setText(text(hibernate ? Msg::DontHibernate : Msg::DontSuspend));
    // The power-off tooltips would say the wrong thing.
    actButton()->setToolTip(QString());
    declineButton()->setToolTip(QString());
    fitTitle(this);
}

void frmshut::changeEvent(QEvent *event)
{
    CountdownWindow::changeEvent(event);
    // A pass sets the title first: the rest of its lines follow before this runs.
    if (event->type() == QEvent::WindowTitleChange && !m_showingTexts && m_action != PowerControl::Action::PowerOff)
        QMetaObject::invokeMethod(this, &frmshut::showActionTexts, Qt::QueuedConnection);
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
    const Msg why = m_action == PowerControl::Action::Suspend     ? Msg::SuspendRefused
                    : m_action == PowerControl::Action::Hibernate ? Msg::HibernateRefused
                                                                  : Msg::PowerOffRefused;
    const QString text = m_deps.state.message(why);
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
