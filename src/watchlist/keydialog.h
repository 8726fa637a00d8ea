#pragma once

#include <QDialog>

#include <initializer_list>

class QHBoxLayout;
class QPushButton;

namespace quendral {

// The modal windows of the watch list have neither a default nor a cancel
// button: Escape does nothing, and Enter presses the button that has the
// focus or, anywhere else, goes to the window's own Enter handling. The list,
// text and drive controls pass Enter on, so it reaches the window from them.
class KeyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit KeyDialog(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The buttons in a row at the right, none of them pressed by Enter unless
    // it has the focus.
    static QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons);
    // Enter that no button took.
    virtual void enterPressed() {}
};

} // namespace quendral
