#pragma once

#include "settings/inifile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace quendral {

// Joins a folder and a name with the platform's separator unless the folder
// already ends in one (as the root "/" or "C:\\" does); the folder's own
// separators become the platform's ("C:/a" joins as "C:\\a\\name" on Windows).
QString joinPath(const QString &folder, const QString &name);

// The number at the start of a stored text, as every flag reader takes it:
// leading blanks, an optional sign, digits and an optional fraction. "" and
// "abc" read 0, "1abc" reads 1.
double numberAtStart(const QString &text);

// The two stores: the settings file Settings.ini in the program folder (or,
// when that folder cannot be written, the user's own copy: settingsFileFor),
// and the per-user values of application Quendral, section Settings, in the
// registry stand-in. Reads go to the files, which are parsed again only when
// they change.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &programFolder);

    // The program folder, always ending in the platform's separator.
    const QString &programFolder() const { return m_programFolder; }
    const IniFile &settingsFile() const { return m_settingsFile; }
    QString settingsFilePath() const { return m_settingsFile.path(); }

    QString GetUserSetting(const QString &key) const;
    // True when the value reached the store.
    bool SaveUserSetting(const QString &key, const QString &value);
    // Several values in one read of the store, by the names asked for; an
    // absent value is missing from the result.
    QHash<QString, QString> GetUserSettings(const QStringList &keys) const;
    // Several values in one write: on Linux one replacement of the store's
    // file, so a crash leaves all of them or none; on Windows one opened key.
    // True when every value reached the store.
    bool SaveUserSettings(const QList<std::pair<QString, QString>> &values);

private:
    QString m_programFolder;
    IniFile m_settingsFile;
};

// The registry key of the per-user values.
inline constexpr auto kUserSettingsKey = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quendral\\Settings";

} // namespace quendral
