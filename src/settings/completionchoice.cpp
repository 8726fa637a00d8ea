#include "settings/completionchoice.h"

#include "settings/options.h"

namespace quendral {

const QList<PowerActionInfo> &powerActions()
{
    using Action = PowerControl::Action;
    static const QList<PowerActionInfo> rows = {
        {Action::PowerOff, "poweroff", "optpoweroff", "Wyłącz", Msg::ActionPowerOff, Msg::CannotPowerOff,
         Msg::PowerOffChallenge, Msg::PowerOffRefused, std::nullopt},
        {Action::Suspend, "suspend", "optsuspend", "Uśpij", Msg::ActionSuspend, Msg::CannotSuspend,
         Msg::SuspendChallenge, Msg::SuspendRefused,
         std::array<Msg, 4>{Msg::SuspendTitle, Msg::SuspendText, Msg::SuspendNow, Msg::DontSuspend}},
        {Action::Hibernate, "hibernate", "opthibernate", "Hibernuj", Msg::ActionHibernate, Msg::CannotHibernate,
         Msg::HibernateChallenge, Msg::HibernateRefused,
         std::array<Msg, 4>{Msg::HibernateTitle, Msg::HibernateText, Msg::HibernateNow, Msg::DontHibernate}},
    };
    return rows;
}

const PowerActionInfo &powerActionInfo(PowerControl::Action action)
{
    for (const PowerActionInfo &row : powerActions()) {
        if (row.action == action)
            return row;
    }
    return powerActions().front();
}

CompletionChoice CompletionChoice::decide(const Options &options, bool soundThere)
{
    CompletionChoice choice;
    if (options.sound.isOn() && soundThere)
        choice.soundPath = options.sound_path;
    choice.notice = options.infofiles.isOn();
    choice.command = options.command.trimmed();
    choice.commandTimeoutSeconds = options.commandTimeoutSeconds();
    // Both flags 0 or 1, else no countdown at all.
    const double hangUp = options.autodisconnect.number();
    const double powerOff = options.autocomp_off.number();
    if ((hangUp == 0 || hangUp == 1) && (powerOff == 0 || powerOff == 1)) {
        choice.hangUp = hangUp == 1;
        if (powerOff == 1)
            choice.power = options.powerActionChoice();
    }
    choice.countdownSeconds = options.countdownSeconds();
    return choice;
}

void CompletionChoice::onlyHangUp()
{
    hangUpOnly = true;
    soundPath.clear();
    notice = false;
    command.clear();
    hangUp = true;
    power.reset();
}

} // namespace quendral
