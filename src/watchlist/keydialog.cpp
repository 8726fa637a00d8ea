#include "watchlist/keydialog.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace quendral {

KeyDialog::KeyDialog(QWidget *parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

QHBoxLayout *KeyDialog::buttonRow(std::initializer_list<QPushButton *> buttons)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton *button : buttons) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    return row;
}

void KeyDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()); button && button->isEnabled())
            button->click();
        else
            enterPressed();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace quendral
