#pragma once

#include <QString>

namespace quendral {

// Joins a folder and a name with "/" unless the folder already ends in one
// (as the root "/" does).
QString joinPath(const QString &folder, const QString &name);

// The number at the start of a stored text, as every flag reader takes it:
// leading blanks, an optional sign, digits and an optional fraction. "" and
// "abc" read 0, "1abc" reads 1.
double numberAtStart(const QString &text);

// The two stores: the settings file Settings.ini in the program folder, read
// and written through the current file IniPath, and the per-user values of
// application Quendral, section Settings, in the registry stand-in.
// Nothing is cached: every read goes to the file.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &programFolder);

    // The program folder, always ending in "/".
    const QString &programFolder() const { return m_programFolder; }
    QString settingsFilePath() const;

    // The current INI file of ReadIni and WriteIni. Users of the settings file
    // point it there (useSettingsFile) right before they read or write; the
    // language pass points it at a language file for a while.
    QString IniPath;
    void useSettingsFile() { IniPath = settingsFilePath(); }

    QString ReadIni(const QString &section, const QString &key) const;
    // True when the value reached the file.
    bool WriteIni(const QString &section, const QString &key, const QString &value);

    QString GetUserSetting(const QString &key) const;
    // True when the value reached the store.
    bool SaveUserSetting(const QString &key, const QString &value);
    // The per-user value read as a number (absent reads 0).
    double userNumber(const QString &key) const { return numberAtStart(GetUserSetting(key)); }

private:
    QString m_programFolder;
};

// The registry key of the per-user values.
inline constexpr auto kUserSettingsKey = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quendral\\Settings";

} // namespace quendral
