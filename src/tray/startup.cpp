#include "tray/startup.h"

#include "tray/splashwindow.h"
#include "tray/startupmemory.h"

#include <QCoreApplication>

namespace quendral {

bool runStartUp(const StartUp &startUp)
{
    // Windows are drawn in the platform's own style, which QApplication has
    // chosen already; nothing is to be prepared for the controls.
    startUp.loadLanguage(nullptr);
    auto *window = new SplashWindow(startUp.state, startUp.factory, startUp.instance);
    if (window->refused()) {
        delete window;
        return false;
    }
    window->show();
    // Queued, so that it runs when the splash's deletion, its labels and
    // their fonts included, is complete.
    QObject::connect(window, &QObject::destroyed, QCoreApplication::instance(), &releaseStartUpMemory,
                     Qt::QueuedConnection);
    // The splash is loaded now: this pass puts its captions in the current language.
    startUp.loadLanguage(window);
    return true;
}

} // namespace quendral
