#pragma once

#include <QIcon>
#include <QString>

namespace quendral {

// A picture read from its file when it is first drawn. The tray menu's
// pictures wait for the menu to open: reading every one at start-up (a vector
// picture is parsed to be validated) costs launch time and memory the program
// would carry while it waits.
QIcon lazyPicture(const QString &file);

} // namespace quendral
