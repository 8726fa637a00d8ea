#pragma once

#include <QString>

namespace quendral {

// The message texts by what they say, in the order of the [Messages] section
// of the language files. A new message gets a name here, its key in
// messageKey, its built-in text in lang/messages.cpp and a line at the end of
// the section in every shipped language file.
enum class Msg {
    NoConnection,
    NoFiles,
    EndProgram,
    DoubleRun,
    NoPathToSound,
    TooManyFiles,
    WithoutDrive1,
    WithoutDrive2,
    PathToFolder,
    PathToFile,
    DeleteFiles,
    SaveFailed,
    InhibitReason,
    CannotPowerOff,
    PowerOffChallenge,
    PowerOffRefused,
    CannotStore,
    OptionsNotSaved,
    LanguageNotSaved,
    AutostartNotChanged,
    LauncherNotChanged,
    DataFolderUnusable,
    PackageMenuEntry,
    StatusFiles,
    StatusFile,
    StatusNextCheck,
    StatusActions,
    StatusCountdown,
    ActionSound,
    ActionNotice,
    ActionHangUp,
    ActionPowerOff,
    NotMonitoring,
    FinishedQuiet,
    FinishedDeadline,
    MissingFiles,
    ArmedQuiet,
    ArmedDeadline,
    CannotSuspend,
    SuspendChallenge,
    CannotHibernate,
    HibernateChallenge,
    SuspendRefused,
    HibernateRefused,
    SuspendTitle,
    SuspendText,
    SuspendNow,
    DontSuspend,
    HibernateTitle,
    HibernateText,
    HibernateNow,
    DontHibernate,
    CommandFailed,
    CommandExitCode,
    CommandTimedOut,
};
inline constexpr int kMessageCount = int(Msg::CommandTimedOut) + 1;

// The message's key in the language files.
inline QString messageKey(Msg id)
{
    // One key per line from here on, in order, so that added keys stay apart.
    // clang-format off
    static const char *const keys[kMessageCount] = {
        "noconnection",  "nofiles",        "endprogram",        "doublerun",       "nopathtosound", "toomanyfiles",
        "withoutdrive1", "withoutdrive2",  "pathtofolder",      "pathtofile",      "deletefiles",   "savefailed",
        "inhibitreason", "cannotpoweroff", "poweroffchallenge", "poweroffrefused", "cannotstore",
        "optionsnotsaved",
        "languagenotsaved",
        "autostartnotchanged",
        "launchernotchanged",
        "datafolderunusable",
        "packagemenuentry",
        "statusfiles",
        "statusfile",
        "statusnextcheck",
        "statusactions",
        "statuscountdown",
        "actionsound",
        "actionnotice",
        "actionhangup",
        "actionpoweroff",
        "notmonitoring",
        "finishedquiet",
        "finisheddeadline",
        "missingfiles",
        "armedquiet",
        "armeddeadline",
        "cannotsuspend",
        "suspendchallenge",
        "cannothibernate",
        "hibernatechallenge",
        "suspendrefused",
        "hibernaterefused",
        "suspendtitle",
        "suspendtext",
        "suspendnow",
        "dontsuspend",
        "hibernatetitle",
        "hibernatetext",
        "hibernatenow",
        "donthibernate",
        "commandfailed",
        "commandexitcode",
        "commandtimedout",
    };
    // clang-format on
    return QString::fromLatin1(keys[int(id)]);
}

} // namespace quendral
