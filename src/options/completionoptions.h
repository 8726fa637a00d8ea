#pragma once

#include "options/boundedfield.h"

#include <QObject>
#include <QSpinBox>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace quendral {

struct Options;

// The options window's completion choices beyond the check boxes: the power
// action under `comp_off` (enabled only while it is checked), the command run
// when the files are in, with its browse button, and the countdowns' length.
// Its controls live in the frame of the check boxes, with the other actions.
class CompletionOptions : public QObject
{
    Q_OBJECT

public:
    using FileDialogRunner = std::function<QString(QFileDialog &dialog)>;

    // `layout` is the frame's; the action buttons go right under `comp_off`,
    // the command and the countdown at its end.
    CompletionOptions(QCheckBox *comp_off, QVBoxLayout *layout, FileDialogRunner runDialog);

    void load(const Options &options);
    void save(Options &options) const;
    void browseCommand();

    // The controls in the order Tab visits them after `comp_off`'s buttons.
    QList<QWidget *> actionButtons() const;
    QList<QWidget *> commandControls() const;
    BoundedField<QSpinBox> *countdown() const { return m_txtcountdown; }
    QLineEdit *command() const { return m_txtcommand; }
    // The program of the command when it cannot be found or run, else "".
    QString missingProgram() const;

private:
    // Tab reaches the checked action; the arrow keys move among them.
    void focusCheckedAction();

    QCheckBox *m_comp_off;
    FileDialogRunner m_runDialog;
    QButtonGroup *m_action;
    QLineEdit *m_txtcommand;
    QPushButton *m_cmdcommand;
    BoundedField<QSpinBox> *m_txtcountdown;
};

} // namespace quendral
