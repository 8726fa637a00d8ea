#include "kit/messagebox.h"

#include <QMessageBox>

namespace quendral::msgbox {

namespace {
std::function<Answer(const Shown &)> &answerer()
{
    static std::function<Answer(const Shown &)> instance;
    return instance;
}

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

    QMessageBox box(qtIcon(icon), QStringLiteral("Quendral"), shown.text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
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
