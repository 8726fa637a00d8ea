#include "base/logging.h"

namespace quendral {

Q_LOGGING_CATEGORY(lcDialup, "quendral.dialup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPower, "quendral.power", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSleep, "quendral.sleep", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNotify, "quendral.notify", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSound, "quendral.sound", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMonitor, "quendral.monitor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCompletion, "quendral.completion", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "quendral.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTray, "quendral.tray", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCommand, "quendral.command", QtInfoMsg)
Q_LOGGING_CATEGORY(lcControl, "quendral.control", QtWarningMsg)

} // namespace quendral
