#pragma once

class QWidget;

namespace quendral {

// The look of the completion windows: a small tool window without minimise
// and maximise buttons and without a taskbar button; `closeBox` decides
// whether the title bar has a close button.
void makeToolWindow(QWidget *window, bool closeBox);

// Places the window in the middle of its screen's free area.
void centreOnScreen(QWidget *window);

} // namespace quendral
