#pragma once

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QValidator>

namespace quendral {

// A spin box (QSpinBox or QDoubleSpinBox) that keeps what the user typed,
// also a number outside its range or no number at all, instead of dropping
// keystrokes or putting its last value back without a word: the text stays
// until the user corrects it, and hasAcceptableInput() tells the window that
// it must say so before it stores anything.
template <typename SpinBox> class BoundedField : public SpinBox
{
public:
    using SpinBox::SpinBox;

    // The text as typed, without the unit.
    QString typed() const { return this->cleanText(); }

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        const QValidator::State state = SpinBox::validate(input, pos);
        return state == QValidator::Invalid ? QValidator::Intermediate : state;
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        if (this->hasAcceptableInput()) {
            SpinBox::focusOutEvent(event);
            return;
        }
        // Past the spin box's own handling, which would put the value back.
        QCoreApplication::sendEvent(this->lineEdit(), event);
        QWidget::focusOutEvent(event);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        // Enter goes on to the window's default button, which tells the range.
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && !this->hasAcceptableInput()) {
            event->ignore();
            return;
        }
        SpinBox::keyPressEvent(event);
    }
};

} // namespace quendral
