#include "settings/autostart.h"

#include "settings/appstate.h"
#include "settings/modregedit.h"
#include "settings/programfile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quendral {

using registry::Root;

namespace {

const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
// The product name of the program's version record.
const QString kProductName = QStringLiteral("Quendral 1.2");
const QString kButtonKey =
    QStringLiteral("Software\\Microsoft\\Internet Explorer\\Extensions\\{B73455AE-D3DE-492a-8FE0-0EA053B85277}");
// The class by which the browser knows a button that runs a program.
const QString kButtonClass = QStringLiteral("{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");

} // namespace

bool IsAutostartOn()
{
    QVariant value;
    quint32 type = registry::kString;
    if (modRegedit().RegValueRead(Root::CurrentUser, kRunKey, kProductName, &value, &type) != registry::kSuccess)
        return false;
    return !value.toString().isEmpty();
}

void AddAutostart(const AppState &state)
{
    const QString command = programfile::startCommand(state.ProgramFolder(), QCoreApplication::applicationFilePath());
    modRegedit().RegValueWrite(Root::CurrentUser, kRunKey, kProductName, command, registry::kString);
}

void RemoveAutostart()
{
    modRegedit().RegValueDelete(Root::CurrentUser, kRunKey, kProductName);
}

BrowserButton AddBrowserButton(const QString &programFolder, const QString &statusText)
{
    const QString executable = programFolder + programfile::buttonExecutable();
    const QString icon = programFolder + QString::fromLatin1(programfile::kButtonIcon);
    if (!QFileInfo(executable).isFile() || !QFileInfo(icon).isFile())
        return BrowserButton::FilesMissing;
    modRegedit regedit;
    regedit.RegKeyCreate(Root::LocalMachine, kButtonKey);
    const QList<std::pair<QString, QString>> values{
        {QStringLiteral("ButtonText"), QStringLiteral("Quendral")},
        {QStringLiteral("Icon"), icon},
        {QStringLiteral("HotIcon"), icon},
        {QStringLiteral("Exec"), executable},
        {QStringLiteral("CLSID"), kButtonClass},
        {QStringLiteral("DefaultVisible"), QStringLiteral("Yes")},
        {QStringLiteral("MenuStatusBar"), statusText},
        {QStringLiteral("MenuText"), QStringLiteral("&Quendral")},
    };
    for (const auto &[name, data] : values)
        regedit.RegValueWrite(Root::LocalMachine, kButtonKey, name, data, registry::kString);
    return BrowserButton::Written;
}

void RemoveBrowserButton()
{
    modRegedit().RegKeyDelete(Root::LocalMachine, kButtonKey);
}

} // namespace quendral
