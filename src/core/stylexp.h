#pragma once

#include <QStringList>

#include <functional>

namespace quendral {

struct AppState;
class SingleInstance;
class WindowFactory;

// What the entry procedure works with; main() hands in the real language
// pass and registry operations.
struct StartUp
{
    AppState &state;
    WindowFactory &factory;
    SingleInstance &instance;
    std::function<void()> loadLanguage;
    std::function<void()> removeBrowserButton;
    std::function<void()> removeAutostart;
};

// The entry procedure: the uninstall switch, the language pass and the
// splash window. `arguments` are the command-line arguments after the
// program's name. Returns true when the program goes on in the message loop,
// false when it ends now (uninstall switch, or a second copy refused).
bool stylexp(const QStringList &arguments, const StartUp &startUp);

} // namespace quendral
