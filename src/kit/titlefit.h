#pragma once

class QWidget;

namespace quendral {

// The width a window needs for its title: the window manager draws the title
// in a font of its own, often bold, beside its buttons (icon, minimise,
// maximise, close), and cuts what does not fit. Estimated from the
// application's font made bold and the style's title-bar height.
int titleWidth(const QWidget *window);

// Widens the window to titleWidth() and keeps it at least that wide; a window
// of fixed size stays fixed, only wider. Run it after the language pass has
// set the title.
void fitTitle(QWidget *window);

} // namespace quendral
