#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quendral::msgbox {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct Shown
{
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

// Shows a modal message box titled "Quendral" and returns the button pressed.
// An empty text is never shown as such: the caller's fallback text belongs in
// `text` already, so an empty one is a fault that we make visible as "?".
Answer show(QWidget *parent, const QString &text, Icon icon, Buttons buttons = Buttons::Ok);

// Test seam: while an answerer is set, no box is shown; the answerer receives
// what would have been shown and returns the button to press. Pass an empty
// function to show real boxes again.
void setAnswerer(std::function<Answer(const Shown &)> answerer);

} // namespace quendral::msgbox
