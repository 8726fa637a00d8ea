#pragma once

#include <QByteArray>

namespace quendral::mountinfo {

// A field of /proc/self/mountinfo as the system spells it: blanks and
// backslashes there are escaped as octal.
QByteArray unescape(const QByteArray &field);

} // namespace quendral::mountinfo
