#pragma once

#include <QObject>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;

namespace quendral {

struct Options;

// The options window's completion choices beyond the check boxes: the power
// action under `comp_off` (enabled only while it is checked), the command run
// when the files are in, with its browse button, and the countdowns' length.
// Its controls live in the frame of the check boxes.
class CompletionOptions : public QObject
{
    Q_OBJECT

public:
    using FileDialogRunner = std::function<QString(QFileDialog &dialog)>;

    // `layout` is the frame's; the action buttons go right under `comp_off`.
    CompletionOptions(QCheckBox *comp_off, QVBoxLayout *layout, FileDialogRunner runDialog);

    void load(const Options &options);
    void save(Options &options) const;
    void browseCommand();

private:
    QCheckBox *m_comp_off;
    FileDialogRunner m_runDialog;
    QButtonGroup *m_action;
    QLineEdit *m_txtcommand;
    QSpinBox *m_txtcountdown;
};

} // namespace quendral
