#include "actions/hangupcountdown.h"

#include "base/dialupcontrol.h"
#include "kit/picturebutton.h"

#include <QTimer>

namespace quendral {

HangUpCountdown::HangUpCountdown(const CountdownDeps &deps, DialupControl &dialup, int seconds, QWidget *parent)
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
    connect(timer(), &QTimer::timeout, this, &HangUpCountdown::countSecond);
    connect(actButton(), &PictureButton::clicked, this, &HangUpCountdown::hangUpNow);
    connect(declineButton(), &PictureButton::clicked, this, &HangUpCountdown::declineHangUp);
}

void HangUpCountdown::countSecond()
{
    if (!countDown())
        return;
    m_dialup.hangUpAll();
    restartCount();
    stopTimer();
    closeWindow();
}

void HangUpCountdown::hangUpNow()
{
    stopTimer();
    restartCount();
    m_dialup.hangUpAll();
    closeWindow();
}

void HangUpCountdown::declineHangUp()
{
    restartCount();
    closeWindow(/*declined=*/true);
}

} // namespace quendral
