#include "core/stylexp.h"

#include "core/splash.h"

namespace quendral {

bool stylexp(const QStringList &arguments, const StartUp &startUp)
{
    // Windows are drawn in the platform's own style, which QApplication has
    // chosen already; nothing is to be prepared for the controls.

    // The uninstaller runs us with this switch alone, exactly as written,
    // before any other copy is looked for.
    if (arguments == QStringList{QStringLiteral("\\uninstallme")}) {
        startUp.removeBrowserButton();
        startUp.removeAutostart();
        return false;
    }

    startUp.loadLanguage();
    auto *window = new splash(startUp.state, startUp.factory, startUp.instance);
    if (window->refused()) {
        delete window;
        return false;
    }
    window->show();
    // The splash is loaded now: this pass puts its captions in the current language.
    startUp.loadLanguage();
    return true;
}

} // namespace quendral
