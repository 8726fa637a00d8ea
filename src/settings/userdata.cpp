#include "settings/userdata.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>

namespace quendral {

namespace {

const QString kSettingsFileName = QStringLiteral("Settings.ini");
const QString kLanguagesFolder = QStringLiteral("Languages/");

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != u'.' && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

} // namespace

QString dataHome()
{
    // Qt falls back to ~/.local/share when XDG_DATA_HOME is unset or relative.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString userDataFolder()
{
    return dataHome() + QStringLiteral("/Quendral/");
}

bool canCreateFileIn(const QString &folder)
{
    QTemporaryFile probe(withSlash(folder) + QStringLiteral(".quendral-probe-XXXXXX"));
    return probe.open();
}

IniFile settingsFileFor(const QString &programFolder)
{
    const QString beside = withSlash(programFolder) + kSettingsFileName;
    if (canCreateFileIn(programFolder))
        return IniFile(beside);
    const IniFile own(userDataFolder() + kSettingsFileName, beside);
    // Made now, so that reads see the shipped values.
    own.seed();
    return own;
}

QString settingsFileToRead(const QString &programFolder)
{
    const QString beside = withSlash(programFolder) + kSettingsFileName;
    if (canCreateFileIn(programFolder))
        return beside;
    const QString own = userDataFolder() + kSettingsFileName;
    return QFileInfo::exists(own) ? own : beside;
}

QString unusableDataFolder(const QString &settingsPath)
{
    const QString folder = userDataFolder();
    if (!settingsPath.startsWith(folder) || (QDir().mkpath(folder) && canCreateFileIn(folder)))
        return {};
    return folder;
}

QString languageFile(const QString &programFolder, const QString &name)
{
    if (!isPlainFileName(name))
        return {};
    for (const QString &folder : {userDataFolder() + kLanguagesFolder, withSlash(programFolder) + kLanguagesFolder}) {
        if (QFileInfo(folder + name).isFile())
            return folder + name;
    }
    return {};
}

QStringList languageFileNames(const QString &programFolder)
{
    QStringList names;
    for (const QString &folder : {withSlash(programFolder) + kLanguagesFolder, userDataFolder() + kLanguagesFolder})
        names += QDir(folder).entryList(QDir::Files);
    // A plain suffix test: a name filter would compile a regular expression.
    names.removeIf([](const QString &name) { return !name.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive); });
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace quendral
