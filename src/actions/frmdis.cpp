#include "actions/frmdis.h"

#include "base/dialupcontrol.h"
#include "kit/picturebutton.h"

#include <QTimer>

namespace quendral {

frmdis::frmdis(const CountdownDeps &deps, DialupControl &dialup, int seconds, QWidget *parent)
    : CountdownWindow(deps,
                      {QStringLiteral("frmdis"), QStringLiteral("Quendral - Rozłączanie"), QStringLiteral("lbldis"),
                       QStringLiteral("Quendral odłączy komputer od sieci za:"), QStringLiteral("cmddis"),
                       QStringLiteral("&Rozłącz natychmiast"), QStringLiteral(":/quendral/actions/hangup.svg"),
                       QStringLiteral("cmdnotdis"), QStringLiteral("&Nie rozłączaj"),
                       QStringLiteral(":/quendral/actions/decline.svg"), QStringLiteral("timer_dis"),
                       /*timerEnabled=*/false, /*fixedBorder=*/true},
                      seconds, parent)
    , m_dialup(dialup)
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
    closeWindow(/*declined=*/true);
}

} // namespace quendral
