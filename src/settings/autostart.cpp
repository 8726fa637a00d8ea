#include "settings/autostart.h"

#include "base/logging.h"
#include "settings/appstate.h"
#include "settings/launcher.h"
#include "settings/programfile.h"
#include "settings/registryeditor.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quendral {

using registry::Root;

namespace {

const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
// The product name of the program's version record.
const QString kProductName = QStringLiteral("Quendral 1.2");

} // namespace

bool IsAutostartOn()
{
    QVariant value;
    quint32 type = registry::kString;
    if (RegistryEditor().RegValueRead(Root::CurrentUser, kRunKey, kProductName, &value, &type) != registry::kSuccess)
        return false;
    return !value.toString().isEmpty();
}

bool AddAutostart(const AppState &state)
{
    const QString command =
        programfile::startCommand(state.ProgramFolder(), state.programFile, QCoreApplication::arguments().value(0));
    qCDebug(lcStore) << "Start at logon:" << command;
    // The registry layer logs a failure.
    return RegistryEditor().RegValueWrite(Root::CurrentUser, kRunKey, kProductName, command, registry::kString) ==
           registry::kSuccess;
}

bool RemoveAutostart()
{
    const long result = RegistryEditor().RegValueDelete(Root::CurrentUser, kRunKey, kProductName);
    return result == registry::kSuccess || result == registry::kNotFound;
}

bool HasPackageMenuEntry(const QString &programFolder)
{
    return !launcher::packageEntry(programFolder + programfile::buttonExecutable()).isEmpty();
}

BrowserButton AddBrowserButton(const QString &programFolder, const QString &statusText)
{
    if (HasPackageMenuEntry(programFolder)) {
        launcher::remove();
        return BrowserButton::PackageEntry;
    }
    const QString executable = programFolder + programfile::buttonExecutable();
    const QString icon = programFolder + programfile::buttonIcon();
    if (!QFileInfo(executable).isFile() || !QFileInfo(icon).isFile())
        return BrowserButton::FilesMissing;
    // Named as the button's menu text, without its access-key mark.
    return launcher::write(QStringLiteral("Quendral"), statusText, executable, icon) ? BrowserButton::Written
                                                                                     : BrowserButton::Failed;
}

bool RemoveBrowserButton()
{
    return launcher::remove();
}

} // namespace quendral
