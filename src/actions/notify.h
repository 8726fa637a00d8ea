#pragma once

#include "base/desktopnotifier.h"

#include <QString>

#include <memory>

namespace quendral {

// The platform's desktop notifications, for main.cpp; `icon` is the program
// icon's file.
std::unique_ptr<DesktopNotifier> makeDesktopNotifier(const QString &icon);

} // namespace quendral
