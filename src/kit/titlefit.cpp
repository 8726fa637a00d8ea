#include "kit/titlefit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QWidget>

namespace quendral {

int titleWidth(const QWidget *window)
{
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // A title bar's buttons are about as wide as the bar is high; four of
    // them, and a margin of two characters on each side of the text.
    const int button = qMax(metrics.height(), window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    return metrics.horizontalAdvance(window->windowTitle()) + 4 * button + 4 * metrics.averageCharWidth();
}

void fitTitle(QWidget *window)
{
    const int needed = titleWidth(window);
    if (window->minimumWidth() == window->maximumWidth()) {
        if (window->width() < needed)
            window->setFixedWidth(needed);
        return;
    }
    window->setMinimumWidth(qMax(window->minimumWidth(), needed));
    // A window never sized yet takes its size hint, within the minimum, when shown.
    if (window->width() < needed && (window->isVisible() || window->testAttribute(Qt::WA_Resized)))
        window->resize(needed, window->height());
}

} // namespace quendral
