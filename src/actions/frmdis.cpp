#include "actions/frmdis.h"

#include "kit/completionwindows.h"
#include "kit/dialupcontrol.h"
#include "kit/picturebutton.h"
#include "settings/appstate.h"

#include <QTimer>

namespace quendral {

frmdis::frmdis(const CountdownDeps &deps, DialupControl &dialup, CompletionWindows &windows, QWidget *parent)
    : CountdownWindow(deps,
                      {QStringLiteral("frmdis"), QStringLiteral("Quendral - Rozłączanie"), QStringLiteral("lbldis"),
                       QStringLiteral("Quendral odłączy komputer od sieci za:"), QStringLiteral("cmddis"),
                       QStringLiteral("&Rozłącz natychmiast"), QStringLiteral(":/quendral/actions/hangup.svg"),
                       QStringLiteral("cmdnotdis"), QStringLiteral("&Nie rozłączaj"),
                       QStringLiteral(":/quendral/actions/decline.svg"), QStringLiteral("timer_dis"),
                       /*timerEnabled=*/false, /*fixedBorder=*/true},
                      parent)
    , m_dialup(dialup)
    , m_windows(windows)
{
    connect(timer(), &QTimer::timeout, this, &frmdis::timer_dis_Timer);
    connect(actButton(), &PictureButton::clicked, this, &frmdis::cmddis_Click);
    connect(declineButton(), &PictureButton::clicked, this, &frmdis::cmdnotdis_Click);
}

void frmdis::timer_dis_Timer()
{
    if (!countDown())
        return;
    m_dialup.hang_up_all();
    restartCount();
    stopTimer();
    closeWindow();
}

void frmdis::cmddis_Click()
{
    stopTimer();
    restartCount();
    m_dialup.hang_up_all();
    closeWindow();
}

void frmdis::cmdnotdis_Click()
{
    restartCount();
    closeWindow();
}

void frmdis::Form_Unload()
{
    // The power-off countdown follows however this window ended.
    if (m_deps.state.completion_mode == CompletionMode::HangUpThenPowerOff) {
        m_windows.showPowerOff();
        m_windows.enablePowerOffTimer();
    } else if (m_deps.state.completion_mode == CompletionMode::HangUp) {
        m_deps.showStopped();
    }
}

} // namespace quendral
