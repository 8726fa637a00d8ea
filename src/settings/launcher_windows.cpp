#include "settings/launcher.h"

#include "settings/registryeditor.h"

// The browser button on Windows: a toolbar button of Internet Explorer, read
// from its Extensions key on the local machine.
namespace quendral::launcher {

namespace {

using registry::Root;

const QString kButtonKey =
    QStringLiteral("Software\\Microsoft\\Internet Explorer\\Extensions\\{B73455AE-D3DE-492a-8FE0-0EA053B85277}");
// The class that makes the entry a button that runs a program.
const QString kButtonClass = QStringLiteral("{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");

} // namespace

QString path()
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\") + kButtonKey;
}

QString packageEntry(const QString &)
{
    // The zip installs no menu entry of its own.
    return QString();
}

bool write(const QString &name, const QString &comment, const QString &program, const QString &icon)
{
    RegistryEditor regedit;
    if (regedit.RegKeyCreate(Root::LocalMachine, kButtonKey) != registry::kSuccess)
        return false;
    const QList<std::pair<QString, QString>> values{
        {QStringLiteral("ButtonText"), name},       {QStringLiteral("Icon"), icon},
        {QStringLiteral("HotIcon"), icon},          {QStringLiteral("Exec"), program},
        {QStringLiteral("CLSID"), kButtonClass},    {QStringLiteral("DefaultVisible"), QStringLiteral("Yes")},
        {QStringLiteral("MenuStatusBar"), comment}, {QStringLiteral("MenuText"), QStringLiteral("&") + name},
    };
    bool written = true;
    for (const auto &[valueName, data] : values)
        written &= regedit.RegValueWrite(Root::LocalMachine, kButtonKey, valueName, data, registry::kString) ==
                   registry::kSuccess;
    return written;
}

bool remove()
{
    const long result = RegistryEditor().RegKeyDelete(Root::LocalMachine, kButtonKey);
    return result == registry::kSuccess || result == registry::kNotFound;
}

} // namespace quendral::launcher
