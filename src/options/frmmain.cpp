#include "options/frmmain.h"

#include "kit/messagebox.h"
#include "kit/named.h"
#include "kit/picturebutton.h"
#include "kit/windowfactory.h"
#include "options/completionoptions.h"
#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/options.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QStringList>

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

} // namespace

QString frmmain::runFileDialog(QFileDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

frmmain::frmmain(AppState &state, WindowFactory &factory, Deps deps, QWidget *parent)
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
    (new QVBoxLayout(m_frmlanguage))->addWidget(m_language);
    auto *bonus = new QVBoxLayout(m_frmbonus);
    bonus->addWidget(m_start);
    bonus->addWidget(m_ie);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdapply);
    buttons->addWidget(m_cmdcancel);
    auto *layout = new QVBoxLayout(this);
    for (QWidget *part : std::initializer_list<QWidget *>{m_lblintroduction, m_frmoption, m_frmlanguage, m_frmbonus})
        layout->addWidget(part);
    layout->addLayout(buttons);
    layout->addWidget(m_Label1);

    // The boxes' handlers run on every change of value, also the load's own.
    connect(m_disconnect, &QCheckBox::toggled, this, &frmmain::disconnect_Click);
    connect(m_comp_off, &QCheckBox::toggled, this, &frmmain::comp_off_Click);
    connect(m_sound, &QCheckBox::toggled, this, &frmmain::sound_Click);
    connect(m_cmdlist, &PictureButton::clicked, this, &frmmain::cmdlist_Click);
    connect(m_cmdapply, &PictureButton::clicked, this, &frmmain::cmdapply_Click);
    connect(m_cmdcancel, &PictureButton::clicked, this, &frmmain::cmdcancel_Click);

    Form_Load();
}

void frmmain::Form_Load()
{
    const Options stored = Options::read(m_state.store);
    Options loaded = stored;
    if (stored.sound.isOn() && (stored.sound_path.isEmpty() || !QFileInfo(stored.sound_path).isFile())) {
        msgbox::show(this, m_state.message(Msg::NoPathToSound), msgbox::Icon::Critical);
        loaded.sound = Flag::checked(false);
        m_sound->setChecked(false);
    }
    if (!stored.autodisconnect.isChecked() && !stored.autocomp_off.isChecked())
        m_disconnect->setChecked(true);
    loaded.start = Flag::checked(IsAutostartOn());
    // The boxes show what the store holds, so a correction that could not be
    // written does not show.
    const Options shown = loaded.save(m_state.store, stored) ? loaded : stored;

    m_disconnect->setChecked(shown.autodisconnect.isChecked());
    m_comp_off->setChecked(shown.autocomp_off.isChecked());
    m_info_files->setChecked(shown.infofiles.isChecked());
    m_completion->load(shown);
    m_loading = true;
    m_sound->setChecked(shown.sound.isChecked());
    m_loading = false;
    m_start->setChecked(shown.start.isChecked());
    m_ie->setChecked(shown.ie.isChecked());
    // Installed from the package, the program is in the menu already: the box
    // shows that, and Apply adds no second entry.
    if (HasPackageMenuEntry(m_state.ProgramFolder())) {
        m_ie->setChecked(true);
        m_ie->setEnabled(false);
        m_ie->setToolTip(m_state.message(Msg::PackageMenuEntry));
    }

    fillLanguageList();
}

void frmmain::fillLanguageList()
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
    m_deps.loadLanguage();
}

void frmmain::keepOneChecked(QCheckBox *clicked, QCheckBox *other)
{
    if (!clicked->isChecked() && !other->isChecked())
        clicked->setChecked(true);
}

void frmmain::disconnect_Click()
{
    keepOneChecked(m_disconnect, m_comp_off);
}

void frmmain::comp_off_Click()
{
    keepOneChecked(m_comp_off, m_disconnect);
}

QFileDialog &frmmain::dialog()
{
    if (!m_dialog) {
        m_dialog = new QFileDialog(this, QStringLiteral("Wybierz plik dźwiękowy:"));
        m_dialog->setObjectName(QStringLiteral("dialog"));
        m_dialog->setNameFilter(QStringLiteral("Pliki dźwiękowe (*.wav)"));
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

void frmmain::sound_Click()
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

void frmmain::cmdlist_Click()
{
    if (!m_factory.isVisible(QStringLiteral("frmadd")))
        m_factory.showModal(QStringLiteral("frmadd"));
}

void frmmain::cmdapply_Click()
{
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

    const QString language = m_language->currentText();
    if (!languageFile(m_state.ProgramFolder(), language).isEmpty()) {
        if (m_state.store.settingsFile().WriteIni(keys::kOptionsSection, keys::kLanguage, language)) {
            m_deps.loadLanguage();
            m_deps.resetTrayTexts();
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

void frmmain::cmdcancel_Click()
{
    close();
}

} // namespace quendral
