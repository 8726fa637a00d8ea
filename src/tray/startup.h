#pragma once

#include "kit/languagepass.h"

#include <QStringList>

#include <functional>

namespace quendral {

struct AppState;
class SingleInstance;
class WindowFactory;

// The uninstall switch, the first step of the entry procedure. The
// uninstaller runs us with "\uninstallme" alone, exactly as written, possibly
// where there is no display (a terminal, a remote shell): main() tests it
// before any GUI object exists. With the switch it calls both removals and
// returns true: the program ends at once, silently. `arguments` are the
// command-line arguments after the program's name.
bool uninstallSwitch(const QStringList &arguments, const std::function<void()> &removeBrowserButton,
                     const std::function<void()> &removeAutostart);

// What the rest of the entry procedure works with; main() hands in the real
// language pass.
struct StartUp
{
    AppState &state;
    WindowFactory &factory;
    SingleInstance &instance;
    LanguagePass loadLanguage;
};

// The rest of the entry procedure: the language pass and the splash window.
// Returns true when the program goes on in the message loop, false when it
// ends now (a second copy refused).
bool runStartUp(const StartUp &startUp);

} // namespace quendral
