#pragma once

#include "kit/languagepass.h"
#include "options/boundedfield.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

#include <QString>
#include <QWidget>

#include <functional>

class QAbstractSpinBox;
class QCheckBox;
class QComboBox;
class QTimeEdit;
class QVBoxLayout;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quendral {

class CompletionOptions;
struct AppState;
struct Options;
class PictureButton;
class WindowFactory;

// The options window: the completion actions, the sound file, start at logon,
// the browser button and the interface language. Its load reads the stores;
// only Apply writes them (besides the load's own corrections of `sound` and
// `start`). Cancel unloads it, and so does Apply when every step succeeded (a
// failed one is reported by name and the window stays for another try), so
// each showing loads it afresh.
class OptionsWindow : public QWidget
{
    Q_OBJECT

public:
    // Shows the file dialog and returns the chosen file name, or "" when the
    // user cancelled. Tests answer it themselves.
    using FileDialogRunner = std::function<QString(QFileDialog &dialog)>;
    static QString runFileDialog(QFileDialog &dialog);

    // The load's corrections of the stored values, which a start-up makes
    // without building the window: a sound chosen with no file to play is
    // turned off, and the user told in a box over `boxParent`; `start`
    // follows the autostart entry. Returns the values the window shows.
    static Options correctStored(AppState &state, const Options &stored, QWidget *boxParent);

    struct Deps
    {
        LanguagePass loadLanguage;
        // The caption of the tray window's hidden label lblIE.
        std::function<QString()> browserButtonText;
        FileDialogRunner runDialog = runFileDialog;
        // Asks which running programs to wait for (ProgramChooser::choose
        // unless a test answers).
        std::function<QStringList(QWidget *parent)> choosePrograms = {};
    };

    OptionsWindow(AppState &state, WindowFactory &factory, Deps deps, QWidget *parent = nullptr);

    void hangUpToggled();
    void powerOffToggled();
    void soundToggled();
    void showWatchList();
    // Adds the programs the user picks among the running ones to the field.
    void choosePrograms();
    void apply();
    void cancel();

    // A WAV file chosen since the window loaded; saved only by Apply.
    const QString &newsound() const { return m_newsound; }

protected:
    void changeEvent(QEvent *event) override;

private:
    // Numbers as the interface language writes them, and each field's range
    // in its hint.
    void applyLocale();
    // Tab goes through the window as it reads, top to bottom.
    void setTabOrderByLayout();
    // Tells the first field whose text is no value of its range, and puts
    // the focus there; false if there is one.
    bool fieldsInRange();
    // Asks whether to keep a command whose program cannot be run.
    bool commandConfirmed();
    void load();
    void fillLanguageList();
    // The quiet, deadline and program controls: built into their own frame, shown
    // from the stored options, written into the options Apply saves.
    void addFinishConditions();
    void showFinishConditions(const Options &shown);
    void chooseFinishConditions(Options &chosen) const;
    QFileDialog &dialog();
    // Keeps at least one of the hang-up and power-off boxes checked.
    static void keepOneChecked(QCheckBox *clicked, QCheckBox *other);

    AppState &m_state;
    WindowFactory &m_factory;
    Deps m_deps;
    bool m_loading = false;
    QString m_newsound;

    QLabel *m_lblintroduction;
    QGroupBox *m_frmoption;
    QLabel *m_lblmonit;
    PictureButton *m_cmdlist;
    QCheckBox *m_disconnect;
    QCheckBox *m_comp_off;
    QCheckBox *m_sound;
    QCheckBox *m_info_files;
    QCheckBox *m_chkquiet;
    BoundedField<QSpinBox> *m_txtquiet;
    QLabel *m_lblquietrate;
    BoundedField<QDoubleSpinBox> *m_txtquietrate;
    QCheckBox *m_chkdeadline;
    QTimeEdit *m_txtdeadline;
    QComboBox *m_cbdeadline;
    QLabel *m_lblwaitprograms;
    QLineEdit *m_txtwaitprograms;
    QPushButton *m_cmdwaitprograms;
    // The choice's two texts, where a language file can replace them.
    QLabel *m_lbldeadlineall;
    QLabel *m_lbldeadlinehangup;
    CompletionOptions *m_completion;
    QGroupBox *m_frmfinish;
    QGroupBox *m_frmlanguage;
    QComboBox *m_language;
    QGroupBox *m_frmbonus;
    QCheckBox *m_start;
    QCheckBox *m_ie;
    PictureButton *m_cmdapply;
    PictureButton *m_cmdcancel;
    QLabel *m_Label1;
    QFileDialog *m_dialog = nullptr;
};

} // namespace quendral
