#pragma once

#include <QString>

namespace quendral {

// The fixed help texts of the help window. They are not taken from the
// language files: the help language is chosen apart from the interface's.
QString polishHelpText();
QString englishHelpText();

} // namespace quendral
