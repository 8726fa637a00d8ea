#pragma once

#include <QStringList>

#include <functional>

namespace quendral {

// The uninstall switch, the first step of the entry procedure. The
// uninstaller runs us with "\uninstallme" alone, exactly as written, possibly
// where there is no display (a terminal, a remote shell): the command line
// serves it, before any GUI object exists. With the switch it calls both removals and
// returns true: the program ends at once, silently. `arguments` are the
// command-line arguments after the program's name.
bool uninstallSwitch(const QStringList &arguments, const std::function<void()> &removeBrowserButton,
                     const std::function<void()> &removeAutostart);

} // namespace quendral
