#include "actions/actionwindows.h"

#include "actions/frmdis.h"
#include "actions/frminfo.h"
#include "actions/frmshut.h"
#include "kit/windowfactory.h"

namespace quendral {

void registerActionWindows(WindowFactory &windows, const CountdownDeps &deps, DialupControl &dialup,
                           PowerControl &power, DesktopNotifier &notifier)
{
    windows.setCreator(QStringLiteral("frmdis"), [deps, &dialup] { return new frmdis(deps, dialup); });
    windows.setCreator(QStringLiteral("frmshut"),
                       [deps, &power, &notifier] { return new frmshut(deps, power, notifier); });
    windows.setCreator(QStringLiteral("frminfo"),
                       [deps, &notifier] { return new frminfo(deps.sound, notifier, deps.loadLanguage); });
}

} // namespace quendral
