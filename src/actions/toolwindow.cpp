#include "actions/toolwindow.h"

#include <QScreen>
#include <QWidget>

namespace quendral {

void makeToolWindow(QWidget *window, bool closeBox)
{
    // A tool window gets no taskbar button; the customised hints leave only
    // the title (and the close button where wanted).
    Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    window->setWindowFlags(flags);
}

void centreOnScreen(QWidget *window)
{
    window->adjustSize();
    if (const QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace quendral
