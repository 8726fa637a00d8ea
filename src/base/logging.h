#pragma once

#include <QLoggingCategory>

// One logging category per subsystem. Warnings (a failed platform call, with
// the error's name and message) are on by default; debug lines (every tick and
// completion step) are off until QT_LOGGING_RULES turns them on, for example
// QT_LOGGING_RULES="quendral.*.debug=true".
namespace quendral {

Q_DECLARE_LOGGING_CATEGORY(lcDialup)     // quendral.dialup: connections, hang-up
Q_DECLARE_LOGGING_CATEGORY(lcPower)      // quendral.power: power-off and its ability
Q_DECLARE_LOGGING_CATEGORY(lcSleep)      // quendral.sleep: the sleep inhibitor
Q_DECLARE_LOGGING_CATEGORY(lcNotify)     // quendral.notify: desktop notifications
Q_DECLARE_LOGGING_CATEGORY(lcSound)      // quendral.sound: sound playback
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)    // quendral.monitor: monitoring and its tick
Q_DECLARE_LOGGING_CATEGORY(lcCompletion) // quendral.completion: the completion steps
Q_DECLARE_LOGGING_CATEGORY(lcStore)      // quendral.store: settings file, per-user store
Q_DECLARE_LOGGING_CATEGORY(lcTray)       // quendral.tray: tray icon and its hosts
Q_DECLARE_LOGGING_CATEGORY(lcCommand)    // quendral.command: the user's command at completion, its output
Q_DECLARE_LOGGING_CATEGORY(lcControl)    // quendral.control: the command line and the control interface

} // namespace quendral
