#include "settings/userdata.h"

#include <QDir>
#include <QFile>
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

QString settingsFileFor(const QString &programFolder)
{
    const QString beside = withSlash(programFolder) + kSettingsFileName;
    if (canCreateFileIn(programFolder))
        return beside;
    const QString own = userDataFolder() + kSettingsFileName;
    // The folder is made now, so that the first write can create the file.
    if (QDir().mkpath(userDataFolder()) && !QFileInfo::exists(own) && QFileInfo(beside).isFile() &&
        QFile::copy(beside, own)) {
        // A read-only shipped file must not make the user's copy read-only.
        QFile::setPermissions(own, QFile::permissions(own) | QFile::WriteOwner | QFile::WriteUser);
    }
    return own;
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
        names += QDir(folder).entryList({QStringLiteral("*.ini")}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace quendral
