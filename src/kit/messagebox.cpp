#include "kit/messagebox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace quendral::msgbox {

namespace {
std::function<Answer(const Shown &)> &answerer()
{
    static std::function<Answer(const Shown &)> instance;
    return instance;
}

// A box centred on its window, or on the screen when that window is hidden
// (the tray's own window, say), where Qt would put it over the hidden
// window's corner. QMessageBox takes its final size only in its showEvent,
// which comes before the window is mapped, so it is moved from there.
class CentredBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
        QRect area;
        if (owner && owner->isVisible())
            area = owner->frameGeometry();
        else if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
        if (area.isValid())
            move(area.center() - rect().center());
    }
};

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

Answer show(QWidget *parent, const QString &text, Icon icon, Buttons buttons)
{
    const Shown shown{text.isEmpty() ? QStringLiteral("?") : text, icon, buttons};
    if (answerer())
        return answerer()(shown);

    CentredBox box(qtIcon(icon), QStringLiteral("Quendral"), shown.text,
                   buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // With no window of its own in sight, it must not open under one that
    // stays on top (the splash screen, a countdown).
    if (!parent || !parent->window()->isVisible())
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int pressed = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void setAnswerer(std::function<Answer(const Shown &)> function)
{
    answerer() = std::move(function);
}

} // namespace quendral::msgbox
