#pragma once

#include <functional>

class QWidget;

namespace quendral {

// The language pass as a window gets it: the window being created passes
// itself, so that the pass sets its captions and no other window's (texts
// that other windows set at run time stay as they are); nullptr applies the
// language to every loaded window, when the user changes it.
using LanguagePass = std::function<void(QWidget *window)>;

} // namespace quendral
