#include "tray/uninstall.h"

namespace quendral {

bool uninstallSwitch(const QStringList &arguments, const std::function<void()> &removeBrowserButton,
                     const std::function<void()> &removeAutostart)
{
    // Tested before any other copy is looked for.
    if (arguments != QStringList{QStringLiteral("\\uninstallme")})
        return false;
    removeBrowserButton();
    removeAutostart();
    return true;
}

} // namespace quendral
