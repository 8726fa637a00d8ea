#include "options/optionswindow.h"

#include "kit/messagebox.h"
#include "kit/named.h"
#include "kit/picturebutton.h"
#include "kit/windowfactory.h"
#include "options/completionoptions.h"
#include "options/programchooser.h"
#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/completionchoice.h"
#include "settings/options.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QTimeEdit>

namespace quendral {

namespace {

constexpr int kMaxLanguages = 100;
const QString kApplyHint = QStringLiteral("Minimalizuje program do ikonki");

PictureButton *pictureButton(QWidget *parent, const char *name, const QString &caption, const QString &picture)
{
    auto *button = named<PictureButton>(parent, name, caption);
    button->setPictures(QIcon(QStringLiteral(":/quendral/options/") + picture));
    return button;
}

// A click in the time selects the part under it, so that typed digits
// replace the hours or the minutes instead of running past them.
class TimeField : public QTimeEdit
{
public:
    using QTimeEdit::QTimeEdit;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QTimeEdit::mouseReleaseEvent(event);
        setSelectedSection(currentSection());
    }
};

// The least and the greatest value of `field` as its numbers read, with its unit.
template <typename Field> std::pair<QString, QString> bounds(const Field *field, int decimals)
{
    const QLocale locale = field->locale();
    return {locale.toString(double(field->minimum()), 'f', decimals) + field->suffix(),
            locale.toString(double(field->maximum()), 'f', decimals) + field->suffix()};
}

template <typename Field> QString rangeText(const Field *field, int decimals)
{
    const auto [low, high] = bounds(field, decimals);
    return low + QStringLiteral(" – ") + high;
}

} // namespace

QString OptionsWindow::runFileDialog(QFileDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

OptionsWindow::OptionsWindow(AppState &state, WindowFactory &factory, Deps deps, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_factory(factory)
    , m_deps(std::move(deps))
    , m_lblintroduction(named<QLabel>(this, "lblintroduction",
                                      QStringLiteral("Wybierz żądane opcje i kliknij przycisk \"Zastosuj i ukryj\". "
                                                     "Pamiętaj, że program rozpocznie pracę, po wybraniu opcji "
                                                     "monitorowania z popup menu!")))
    , m_frmoption(named<QGroupBox>(this, "frmoption", QStringLiteral("Śledzone pliki")))
    , m_lblmonit(named<QLabel>(m_frmoption, "lblmonit", QStringLiteral("Monitorowane pliki:")))
    , m_cmdlist(
          pictureButton(m_frmoption, "cmdlist", QStringLiteral("Pokaż listę plików"), QStringLiteral("addfile.svg")))
    , m_disconnect(named<QCheckBox>(m_frmoption, "disconnect",
                                    QStringLiteral("Rozłącz aktywne połączenie gdy zadane pliki zostaną pobrane")))
    , m_comp_off(
          named<QCheckBox>(m_frmoption, "comp_off", QStringLiteral("Wyłącz komputer gdy zadane pliki zostaną pobrane")))
    , m_sound(named<QCheckBox>(m_frmoption, "sound", QStringLiteral("Odtwórz dźwięk gdy zadane pliki zostaną pobrane")))
    , m_info_files(named<QCheckBox>(m_frmoption, "info_files",
                                    QStringLiteral("Wyświetl komunikat gdy zadane pliki zostaną pobrane")))
    , m_frmlanguage(named<QGroupBox>(this, "frmlanguage", QStringLiteral("Język interfejsu")))
    , m_language(named<QComboBox>(m_frmlanguage, "language"))
    , m_frmbonus(named<QGroupBox>(this, "frmbonus", QStringLiteral("Uruchamianie i integracja")))
    , m_start(named<QCheckBox>(m_frmbonus, "start", QStringLiteral("Uruchamiaj przy starcie systemu Windows")))
    , m_ie(named<QCheckBox>(m_frmbonus, "ie", QStringLiteral("Pokazuj ikonę na pasku narzędzi w Internet Explorer")))
    , m_cmdapply(pictureButton(this, "cmdapply", QStringLiteral("&Zastosuj i ukryj"), QStringLiteral("ok.svg")))
    , m_cmdcancel(pictureButton(this, "cmdcancel", QStringLiteral("&Anuluj i ukryj"), QStringLiteral("decline.svg")))
    , m_Label1(named<QLabel>(this, "Label1", QStringLiteral("Quendral 1.2 - kontrola pobieranych plików")))
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Quendral - opcje"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_lblintroduction->setWordWrap(true);
    m_cmdapply->setToolTip(kApplyHint);
    m_cmdcancel->setToolTip(kApplyHint);

    auto *watched = new QHBoxLayout;
    watched->addWidget(m_lblmonit);
    watched->addWidget(m_cmdlist);
    watched->addStretch();
    auto *option = new QVBoxLayout(m_frmoption);
    option->addLayout(watched);
    for (QCheckBox *box : {m_disconnect, m_comp_off, m_sound, m_info_files})
        option->addWidget(box);
    m_completion = new CompletionOptions(m_comp_off, option, m_deps.runDialog);
    addFinishConditions();
    (new QVBoxLayout(m_frmlanguage))->addWidget(m_language);
    m_language->setAccessibleName(QStringLiteral("Język interfejsu"));
    auto *bonus = new QVBoxLayout(m_frmbonus);
    bonus->addWidget(m_start);
    bonus->addWidget(m_ie);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdapply);
    buttons->addWidget(m_cmdcancel);
    auto *layout = new QVBoxLayout(this);
    for (QWidget *part :
         std::initializer_list<QWidget *>{m_lblintroduction, m_frmoption, m_frmfinish, m_frmlanguage, m_frmbonus})
        layout->addWidget(part);
    layout->addLayout(buttons);
    layout->addWidget(m_Label1);

    // The boxes' handlers run on every change of value, also the load's own.
    connect(m_disconnect, &QCheckBox::toggled, this, &OptionsWindow::hangUpToggled);
    connect(m_comp_off, &QCheckBox::toggled, this, &OptionsWindow::powerOffToggled);
    connect(m_sound, &QCheckBox::toggled, this, &OptionsWindow::soundToggled);
    connect(m_cmdlist, &PictureButton::clicked, this, &OptionsWindow::showWatchList);
    connect(m_cmdapply, &PictureButton::clicked, this, &OptionsWindow::apply);
    connect(m_cmdcancel, &PictureButton::clicked, this, &OptionsWindow::cancel);
    // Escape is Cancel, from wherever the focus is.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &OptionsWindow::cancel);
    setTabOrderByLayout();

    load();
    applyLocale();
}

void OptionsWindow::setTabOrderByLayout()
{
    QList<QWidget *> order = {m_cmdlist, m_disconnect, m_comp_off};
    order += m_completion->actionButtons();
    order += {m_sound, m_info_files};
    order += m_completion->commandControls();
    order +=
        {m_chkquiet,        m_txtquiet, m_txtquietrate, m_chkdeadline, m_txtdeadline, m_cbdeadline, m_txtwaitprograms,
         m_cmdwaitprograms, m_language, m_start,        m_ie,          m_cmdapply,    m_cmdcancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void OptionsWindow::applyLocale()
{
    const QLocale locale(m_state.message(Msg::Locale));
    setLocale(locale);
    // The fields show their values anew in the locale's numbers.
    for (QAbstractSpinBox *field : findChildren<QAbstractSpinBox *>())
        field->setLocale(locale);
    m_txtquiet->setToolTip(rangeText(m_txtquiet, 0));
    m_txtquietrate->setToolTip(rangeText(m_txtquietrate, m_txtquietrate->decimals()));
    m_completion->countdown()->setToolTip(rangeText(m_completion->countdown(), 0));
    if (m_dialog) {
        m_dialog->setWindowTitle(m_state.message(Msg::SoundDialogTitle));
        m_dialog->setNameFilter(m_state.message(Msg::SoundDialogFilter));
    }
}

void OptionsWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        applyLocale();
}

bool OptionsWindow::fieldsInRange()
{
    const auto told = [this](QAbstractSpinBox *field, const QString &typed, const QString &low, const QString &high) {
        if (field->hasAcceptableInput())
            return false;
        msgbox::show(this, m_state.message(Msg::OutOfRange).arg(typed, low, high), msgbox::Icon::Warning);
        field->setFocus();
        field->selectAll();
        return true;
    };
    const auto [quietLow, quietHigh] = bounds(m_txtquiet, 0);
    const auto [rateLow, rateHigh] = bounds(m_txtquietrate, m_txtquietrate->decimals());
    BoundedField<QSpinBox> *countdown = m_completion->countdown();
    const auto [countLow, countHigh] = bounds(countdown, 0);
    return !told(m_txtquiet, m_txtquiet->typed(), quietLow, quietHigh) &&
           !told(m_txtquietrate, m_txtquietrate->typed(), rateLow, rateHigh) &&
           !told(countdown, countdown->typed(), countLow, countHigh);
}

bool OptionsWindow::commandConfirmed()
{
    const QString program = m_completion->missingProgram();
    if (program.isEmpty())
        return true;
    if (msgbox::show(this, m_state.message(Msg::CommandNotFound).arg(program), msgbox::Icon::Warning,
                     msgbox::Buttons::YesNo) == msgbox::Answer::Yes)
        return true;
    m_completion->command()->setFocus();
    return false;
}

Options OptionsWindow::correctStored(AppState &state, const Options &stored, QWidget *boxParent)
{
    Options loaded = stored;
    if (stored.sound.isOn() && (stored.sound_path.isEmpty() || !QFileInfo(stored.sound_path).isFile())) {
        msgbox::show(boxParent, state.message(Msg::NoPathToSound), msgbox::Icon::Critical);
        loaded.sound = Flag::checked(false);
    }
    loaded.start = Flag::checked(IsAutostartOn());
    // The boxes show what the store holds, so a correction that could not be
    // written does not show.
    return loaded.save(state.store, stored) ? loaded : stored;
}

void OptionsWindow::load()
{
    const Options stored = Options::read(m_state.store);
    const Options shown = correctStored(m_state, stored, this);
    // The boxes show what the monitor will do, by its own test.
    const CompletionChoice choice = CompletionChoice::decide(stored, true);
    if (!choice.countsDown())
        m_disconnect->setChecked(true);

    const CompletionChoice shownChoice = CompletionChoice::decide(shown, true);
    m_disconnect->setChecked(shownChoice.hangUp || !shownChoice.countsDown());
    m_comp_off->setChecked(shownChoice.power.has_value());
    m_info_files->setChecked(shown.infofiles.isOn());
    m_completion->load(shown);
    m_loading = true;
    m_sound->setChecked(shown.sound.isOn());
    m_loading = false;
    m_start->setChecked(shown.start.isOn());
    m_ie->setChecked(shown.ie.isOn());
    showFinishConditions(shown);
    // Installed from the package, the program is in the menu already: the box
    // shows that, and Apply adds no second entry.
    if (HasPackageMenuEntry(m_state.ProgramFolder())) {
        m_ie->setChecked(true);
        m_ie->setEnabled(false);
        m_ie->setToolTip(m_state.message(Msg::PackageMenuEntry));
    }

    fillLanguageList();
    // The choice's texts as the language pass left them.
    m_cbdeadline->setItemText(0, m_lbldeadlineall->text());
    m_cbdeadline->setItemText(1, m_lbldeadlinehangup->text());
}

void OptionsWindow::addFinishConditions()
{
    m_frmfinish = named<QGroupBox>(this, "frmfinish", QStringLiteral("Zakończenie bez plików"));
    m_chkquiet = named<QCheckBox>(m_frmfinish, "chkquiet", QStringLiteral("Zakończ także, gdy połączenie ucichnie na"));
    m_txtquiet = named<BoundedField<QSpinBox>>(m_frmfinish, "txtquiet");
    const OptionRow &minutes = Options::row(keys::kQuietMinutes);
    m_txtquiet->setRange(int(minutes.min), int(minutes.max));
    m_txtquiet->setSuffix(QStringLiteral(" min"));
    m_txtquiet->setAccessibleName(QStringLiteral("Minuty ciszy"));
    m_lblquietrate = named<QLabel>(m_frmfinish, "lblquietrate", QStringLiteral("poniżej"));
    m_txtquietrate = named<BoundedField<QDoubleSpinBox>>(m_frmfinish, "txtquietrate");
    m_txtquietrate->setDecimals(1);
    // The stored rate must lie above its lower bound: the least one shown.
    const OptionRow &rate = Options::row(keys::kQuietRate);
    m_txtquietrate->setRange(rate.min + 0.1, rate.max);
    m_txtquietrate->setSuffix(QStringLiteral(" kB/s"));
    m_txtquietrate->setAccessibleName(QStringLiteral("Próg ciszy"));
    m_lblquietrate->setBuddy(m_txtquietrate);
    m_chkdeadline = named<QCheckBox>(m_frmfinish, "chkdeadline", QStringLiteral("Najpóźniej o"));
    m_txtdeadline = named<TimeField>(m_frmfinish, "txtdeadline");
    m_txtdeadline->setDisplayFormat(QStringLiteral("HH:mm"));
    m_txtdeadline->setAccessibleName(QStringLiteral("Najpóźniejsza godzina"));
    m_cbdeadline = named<QComboBox>(m_frmfinish, "cbdeadline");
    m_cbdeadline->setAccessibleName(QStringLiteral("Działania o najpóźniejszej godzinie"));
    m_lbldeadlineall = named<QLabel>(this, "lbldeadlineall", QStringLiteral("wykonaj wybrane działania"));
    m_lbldeadlinehangup = named<QLabel>(this, "lbldeadlinehangup", QStringLiteral("tylko rozłącz"));
    m_lbldeadlineall->hide();
    m_lbldeadlinehangup->hide();
    m_cbdeadline->addItems({m_lbldeadlineall->text(), m_lbldeadlinehangup->text()});
    m_lblwaitprograms =
        named<QLabel>(m_frmfinish, "lblwaitprograms", QStringLiteral("Lub gdy zakończą się te programy"));
    m_txtwaitprograms = named<QLineEdit>(m_frmfinish, "txtwaitprograms");
    m_txtwaitprograms->setAccessibleName(QStringLiteral("Programy, na które czekać"));
    m_lblwaitprograms->setBuddy(m_txtwaitprograms);
    m_cmdwaitprograms = named<QPushButton>(m_frmfinish, "cmdwaitprograms", QStringLiteral("wybierz…"));
    m_cmdwaitprograms->setToolTip(QStringLiteral("Wybierz spośród uruchomionych programów"));
    connect(m_cmdwaitprograms, &QPushButton::clicked, this, &OptionsWindow::choosePrograms);

    // The boxes in one column, their values beside them.
    auto *grid = new QGridLayout(m_frmfinish);
    grid->addWidget(m_chkquiet, 0, 0);
    auto *quiet = new QHBoxLayout;
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtquiet, m_lblquietrate, m_txtquietrate})
        quiet->addWidget(part);
    quiet->addStretch();
    grid->addLayout(quiet, 0, 1);
    grid->addWidget(m_chkdeadline, 1, 0);
    auto *deadline = new QHBoxLayout;
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtdeadline, m_cbdeadline})
        deadline->addWidget(part);
    deadline->addStretch();
    grid->addLayout(deadline, 1, 1);
    grid->addWidget(m_lblwaitprograms, 2, 0);
    auto *programs = new QHBoxLayout;
    programs->addWidget(m_txtwaitprograms, 1);
    programs->addWidget(m_cmdwaitprograms);
    grid->addLayout(programs, 2, 1);
    grid->setColumnStretch(1, 1);
    // The values count only while their box is checked.
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtquiet, m_txtquietrate})
        connect(m_chkquiet, &QCheckBox::toggled, part, &QWidget::setEnabled);
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtdeadline, m_cbdeadline})
        connect(m_chkdeadline, &QCheckBox::toggled, part, &QWidget::setEnabled);
}

void OptionsWindow::showFinishConditions(const Options &shown)
{
    m_chkquiet->setChecked(shown.quietOn());
    m_txtquiet->setValue(shown.quietMinutes());
    m_txtquietrate->setValue(shown.quietRateKBs());
    m_chkdeadline->setChecked(shown.deadlineOn());
    m_txtdeadline->setTime(shown.deadlineTime());
    m_cbdeadline->setCurrentIndex(shown.deadlineHangUpOnly() ? 1 : 0);
    m_txtwaitprograms->setText(shown.waitprograms);
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtquiet, m_txtquietrate})
        part->setEnabled(m_chkquiet->isChecked());
    for (QWidget *part : std::initializer_list<QWidget *>{m_txtdeadline, m_cbdeadline})
        part->setEnabled(m_chkdeadline->isChecked());
}

void OptionsWindow::chooseFinishConditions(Options &chosen) const
{
    // A value that reads as the box shows keeps its stored text, so that an
    // Apply without changes writes none of them.
    const auto flag = [](Flag &stored, bool on, bool checked) {
        if (on != checked)
            stored = Flag::checked(checked);
    };
    flag(chosen.quiet, chosen.quietOn(), m_chkquiet->isChecked());
    flag(chosen.deadline, chosen.deadlineOn(), m_chkdeadline->isChecked());
    flag(chosen.deadlineaction, chosen.deadlineHangUpOnly(), m_cbdeadline->currentIndex() == 1);
    // A value shown under a checked box is stored, also when the window only
    // showed its default.
    const auto shown = [&chosen](const QString &key, bool checked, bool same) {
        return !same || (checked && !chosen.holdsValid(key));
    };
    if (shown(keys::kQuietMinutes, m_chkquiet->isChecked(), chosen.quietMinutes() == m_txtquiet->value()))
        chosen.quietminutes = QString::number(m_txtquiet->value());
    if (shown(keys::kQuietRate, m_chkquiet->isChecked(), qFuzzyCompare(chosen.quietRateKBs(), m_txtquietrate->value())))
        chosen.quietrate = QString::number(m_txtquietrate->value());
    if (shown(keys::kDeadlineTime, m_chkdeadline->isChecked(), chosen.deadlineTime() == m_txtdeadline->time()))
        chosen.deadlinetime = m_txtdeadline->time().toString(QStringLiteral("HH:mm"));
    // The names as typed, blanks between them made one.
    if (const QString names = m_txtwaitprograms->text().simplified(); names != chosen.waitprograms.simplified())
        chosen.waitprograms = names;
}

void OptionsWindow::choosePrograms()
{
    const QStringList picked =
        m_deps.choosePrograms ? m_deps.choosePrograms(this) : ProgramChooser::choose(m_state, this);
    QStringList names = m_txtwaitprograms->text().simplified().split(u' ', Qt::SkipEmptyParts);
    for (const QString &name : picked) {
        if (!names.contains(name))
            names.append(name);
    }
    m_txtwaitprograms->setText(names.join(u' '));
    m_txtwaitprograms->setFocus();
}

void OptionsWindow::fillLanguageList()
{
    // Shipped and the user's own, sorted as the Windows file system lists them;
    // beyond 100 the rest is left out.
    const QStringList files = languageFileNames(m_state.ProgramFolder()).mid(0, kMaxLanguages);
    if (files.isEmpty()) {
        m_language->addItem(QStringLiteral("Polish"));
        m_language->setCurrentIndex(0);
        m_language->setEnabled(false);
        return;
    }
    m_language->addItems(files);
    m_language->setCurrentIndex(0);

    const QString chosen = m_state.store.settingsFile().ReadIni(keys::kOptionsSection, keys::kLanguage);
    if (!languageFile(m_state.ProgramFolder(), chosen).isEmpty()) {
        const int index = m_language->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            m_language->setCurrentIndex(index);
    }
    m_language->setEnabled(true);
    m_deps.loadLanguage(this);
}

void OptionsWindow::keepOneChecked(QCheckBox *clicked, QCheckBox *other)
{
    if (!clicked->isChecked() && !other->isChecked())
        clicked->setChecked(true);
}

void OptionsWindow::hangUpToggled()
{
    keepOneChecked(m_disconnect, m_comp_off);
}

void OptionsWindow::powerOffToggled()
{
    keepOneChecked(m_comp_off, m_disconnect);
}

QFileDialog &OptionsWindow::dialog()
{
    if (!m_dialog) {
        m_dialog = new QFileDialog(this, m_state.message(Msg::SoundDialogTitle));
        m_dialog->setObjectName(QStringLiteral("dialog"));
        m_dialog->setNameFilter(m_state.message(Msg::SoundDialogFilter));
        m_dialog->setFileMode(QFileDialog::ExistingFile);
        m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
        // The name box's completion list is a window of its own: Enter closes
        // the dialog and leaves it open over this window, and a folder that
        // finishes loading later would open it again. Both end with the dialog.
        connect(m_dialog, &QDialog::finished, m_dialog, [dialog = m_dialog] {
            for (QCompleter *completer : dialog->findChildren<QCompleter *>()) {
                completer->setCompletionPrefix(QString());
                completer->popup()->hide();
            }
        });
    }
    return *m_dialog;
}

void OptionsWindow::soundToggled()
{
    if (!m_sound->isChecked() || m_loading)
        return;
    for (;;) {
        const QString name = m_deps.runDialog(dialog());
        if (name.isEmpty())
            break;
        if (QFileInfo(name).isFile()) {
            m_newsound = name;
            return;
        }
    }
    m_dialog->selectFile(QString());
    m_sound->setChecked(false);
}

void OptionsWindow::showWatchList()
{
    if (!m_factory.isVisible(QStringLiteral("frmadd")))
        m_factory.showModal(QStringLiteral("frmadd"));
}

void OptionsWindow::apply()
{
    if (!fieldsInRange() || !commandConfirmed())
        return;
    // One write for every option, so a crash leaves the old ones or the new.
    const Options stored = Options::read(m_state.store);
    Options chosen = stored;
    chosen.autodisconnect = Flag::checked(m_disconnect->isChecked());
    chosen.autocomp_off = Flag::checked(m_comp_off->isChecked());
    chosen.infofiles = Flag::checked(m_info_files->isChecked());
    chosen.sound = Flag::checked(m_sound->isChecked());
    if (!m_newsound.isEmpty())
        chosen.sound_path = m_newsound;
    chosen.ie = Flag::checked(m_ie->isChecked());
    chooseFinishConditions(chosen);
    m_completion->save(chosen);
    // Each step that fails is named in the report, and the rest still run.
    QList<Msg> failed;
    if (!chosen.save(m_state.store, stored))
        failed.append(Msg::OptionsNotSaved);

    if (!m_ie->isChecked()) {
        if (!RemoveBrowserButton())
            failed.append(Msg::LauncherNotChanged);
    } else {
        const BrowserButton button = AddBrowserButton(m_state.ProgramFolder(), m_deps.browserButtonText());
        if (button == BrowserButton::FilesMissing)
            msgbox::show(this, m_state.message(Msg::DeleteFiles), msgbox::Icon::Warning);
        else if (button == BrowserButton::Failed)
            failed.append(Msg::LauncherNotChanged);
    }
    if (!(m_start->isChecked() ? AddAutostart(m_state) : RemoveAutostart()))
        failed.append(Msg::AutostartNotChanged);

    // Only a language the user changed is applied to every window: a pass
    // puts back the captions of the file over texts the windows set since.
    const QString language = m_language->currentText();
    const QString before = m_state.store.settingsFile().ReadIni(keys::kOptionsSection, keys::kLanguage);
    if (language != before && !languageFile(m_state.ProgramFolder(), language).isEmpty()) {
        if (m_state.store.settingsFile().WriteIni(keys::kOptionsSection, keys::kLanguage, language)) {
            m_deps.loadLanguage(nullptr);
        } else {
            failed.append(Msg::LanguageNotSaved);
        }
    }
    // The window stays with the user's choices on screen, so that they can
    // free the disk or the folder and apply again.
    if (!failed.isEmpty()) {
        QStringList texts;
        for (const Msg id : failed)
            texts.append(m_state.message(id));
        msgbox::show(this, texts.join(QStringLiteral("\n\n")), msgbox::Icon::Critical);
        return;
    }
    close();
}

void OptionsWindow::cancel()
{
    close();
}

} // namespace quendral
