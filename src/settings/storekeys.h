#pragma once

#include <QString>

// The names under which the program keeps its values, named once. Names
// compare without letter case; the case given here is the one a write creates.
namespace quendral::keys {

// Settings.ini
inline const QString kOptionsSection = QStringLiteral("options");
inline const QString kLanguage = QStringLiteral("language");
inline const QString kFilesSection = QStringLiteral("Files");

// Language files
inline const QString kMessagesSection = QStringLiteral("Messages");

// Per-user values
inline const QString kFirst = QStringLiteral("first");
inline const QString kNotAllFiles = QStringLiteral("notallfiles");
inline const QString kAutoDisconnect = QStringLiteral("autodisconnect");
inline const QString kAutoCompOff = QStringLiteral("autocomp_off");
inline const QString kInfoFiles = QStringLiteral("infofiles");
inline const QString kSound = QStringLiteral("sound");
inline const QString kSoundPath = QStringLiteral("sound_path");
inline const QString kBrowserButton = QStringLiteral("IE");
inline const QString kStart = QStringLiteral("start");
inline const QString kQuiet = QStringLiteral("Quiet");
inline const QString kQuietMinutes = QStringLiteral("QuietMinutes");
inline const QString kQuietRate = QStringLiteral("QuietRate");
inline const QString kDeadline = QStringLiteral("Deadline");
inline const QString kDeadlineTime = QStringLiteral("DeadlineTime");
inline const QString kDeadlineAction = QStringLiteral("DeadlineAction");
inline const QString kPowerAction = QStringLiteral("PowerAction");
inline const QString kCommand = QStringLiteral("Command");
inline const QString kCommandTimeout = QStringLiteral("CommandTimeout");
inline const QString kCountdown = QStringLiteral("Countdown");
inline const QString kWaitPrograms = QStringLiteral("WaitPrograms");

} // namespace quendral::keys
