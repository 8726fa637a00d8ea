#pragma once

#include "kit/languagepass.h"
#include "tray/uninstall.h"

namespace quendral {

struct AppState;
class SingleInstance;
class WindowFactory;

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
