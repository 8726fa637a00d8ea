#pragma once

#include <QString>

namespace quendral {

struct AppState;

// The two integration entries of the program: the start-at-logon value in the
// current user's Run key and the browser button, which on Linux is a launcher
// in the user's applications menu (launcher.h). Each failure is logged and
// reported to the caller, which tells the user.

// True when the Run key holds a non-empty value of the product name (whatever
// program it names).
bool IsAutostartOn();
// Writes the product-name value of the Run key: the program folder followed by
// the running executable's name. An existing value is replaced. True when the
// value was written.
bool AddAutostart(const AppState &state);
// Deletes that value; a missing one is no error. True when no value is left.
bool RemoveAutostart();

// True when the program file of `programFolder` is the one an installed
// package gave its own menu entry (launcher::packageEntry): a launcher would
// be a second entry beside it.
bool HasPackageMenuEntry(const QString &programFolder);

enum class BrowserButton { Written, FilesMissing, PackageEntry, Failed };
// Writes the button, running the program file of `programFolder` with its
// icon; `statusText` (the caption of the tray window's hidden label lblIE) is
// its description. Returns FilesMissing, writing nothing, when the program
// file or the icon is not in `programFolder`; the caller then shows the
// deletefiles warning. Returns PackageEntry when the package's menu entry
// stands for the button: none is written, and one written before is deleted.
// Failed when the button could not be written.
BrowserButton AddBrowserButton(const QString &programFolder, const QString &statusText);
// Deletes the button; a missing one is no error. True when no button is left.
bool RemoveBrowserButton();

} // namespace quendral
