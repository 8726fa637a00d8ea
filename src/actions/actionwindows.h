#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class DesktopNotifier;
class DialupControl;
class PowerControl;
class WindowFactory;

// Registers the windows a completion shows, frmdis, frmshut and frminfo, with
// the window factory, so they are loaded by name like every other window and
// the language pass finds them. The notice and a refused power-off also go to
// the desktop's notifications.
void registerActionWindows(WindowFactory &windows, const CountdownDeps &deps, DialupControl &dialup,
                           PowerControl &power, DesktopNotifier &notifier);

} // namespace quendral
