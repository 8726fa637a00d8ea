#include "watchlist/watchlistwindow.h"

#include "kit/messagebox.h"
#include "kit/named.h"
#include "kit/picturebutton.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "settings/storekeys.h"
#include "settings/watchliststore.h"
#include "watchlist/folderchooser.h"

#include <QBoxLayout>
#include <QCollator>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QShortcut>

#include <algorithm>

namespace quendral {

WatchListWindow::WatchListWindow(AppState &state, LanguagePass loadLanguage, DriveSource drives, QWidget *parent)
    : KeyDialog(parent)
    , m_state(state)
    , m_loadLanguage(std::move(loadLanguage))
    , m_drives(std::move(drives))
    , m_list_files(named<QListWidget>(this, "list_files"))
    , m_frmplus(named<QGroupBox>(this, "frmplus", QStringLiteral("Dodatkowe opcje")))
    , m_Picture1(named<QWidget>(m_frmplus, "Picture1"))
    , m_optall(named<QRadioButton>(m_Picture1, "optall", QStringLiteral("Reaguj gdy wszystkie pliki zostaną pobrane")))
    , m_opt_not_all(named<QRadioButton>(m_Picture1, "opt_not_all",
                                        QStringLiteral("Reaguj gdy którykolwiek z plików zostanie pobrany")))
    , m_cmdadd(named<PictureButton>(this, "cmdadd", QStringLiteral("Dodaj plik")))
    , m_cmddel(named<PictureButton>(this, "cmddel", QStringLiteral("Usuń plik")))
    , m_cmdapply(named<PictureButton>(this, "cmdapply", QStringLiteral("&Zastosuj")))
    , m_cmdcancel(named<PictureButton>(this, "cmdcancel", QStringLiteral("&Anuluj")))
{
    setObjectName(QStringLiteral("frmadd"));
    setWindowTitle(QStringLiteral("Quendral - lista plików"));
    m_list_files->setSelectionMode(QAbstractItemView::SingleSelection);
    m_optall->setChecked(true);

    // The two options exclude each other because they share Picture1.
    auto *options = new QVBoxLayout(m_Picture1);
    options->setContentsMargins({});
    options->addWidget(m_optall);
    options->addWidget(m_opt_not_all);
    auto *frame = new QVBoxLayout(m_frmplus);
    frame->addWidget(m_Picture1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list_files, 1);
    layout->addWidget(m_frmplus);
    layout->addLayout(buttonRow({m_cmdadd, m_cmddel, m_cmdapply, m_cmdcancel}));
    resize(520, 400);

    // Add comes last: it hands the focus on to the list, so Tab still reaches
    // every other control before wrapping round to the list.
    setTabOrder(m_list_files, m_optall);
    setTabOrder(m_optall, m_opt_not_all);
    setTabOrder(m_opt_not_all, m_cmddel);
    setTabOrder(m_cmddel, m_cmdapply);
    setTabOrder(m_cmdapply, m_cmdcancel);
    setTabOrder(m_cmdcancel, m_cmdadd);
    m_list_files->setFocus();

    connect(m_cmdadd, &PictureButton::clicked, this, &WatchListWindow::chooseFolder);
    connect(m_cmdadd, &PictureButton::gotFocus, this, &WatchListWindow::addButtonFocused);
    connect(m_cmddel, &PictureButton::clicked, this, &WatchListWindow::deleteEntry);
    connect(m_cmdapply, &PictureButton::clicked, this, &WatchListWindow::apply);
    connect(m_cmdcancel, &PictureButton::clicked, this, &WatchListWindow::cancel);
    // Escape is Cancel, from wherever the focus is.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &WatchListWindow::cancel);

    load();
}

void WatchListWindow::load()
{
    m_loadLanguage(this);
    const double rule = Options::read(m_state.store).notallfiles.number();
    if (rule == 1)
        m_opt_not_all->setChecked(true);
    else if (rule == 0)
        m_optall->setChecked(true);

    // Stored entries keep their stored order.
    m_loaded = watchlist::read(m_state.store.settingsFile());
    m_list_files->addItems(m_loaded);
}

void WatchListWindow::addEntry(const QString &entry)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int row = 0;
    while (row < m_list_files->count() && collator.compare(m_list_files->item(row)->text(), entry) <= 0)
        ++row;
    m_list_files->insertItem(row, entry);
}

QStringList WatchListWindow::entries() const
{
    QStringList list;
    for (int row = 0; row < m_list_files->count(); ++row)
        list.append(m_list_files->item(row)->text());
    return list;
}

void WatchListWindow::chooseFolder()
{
    if (m_list_files->count() >= watchlist::kMaxEntries) {
        msgbox::show(this, m_state.message(Msg::TooManyFiles), msgbox::Icon::Critical);
        return;
    }
    auto *chooser = new FolderChooser(
        m_state, m_loadLanguage, m_drives(), [this] { return entries(); },
        [this](const QString &entry) { addEntry(entry); }, this);
    chooser->exec();
}

void WatchListWindow::addButtonFocused()
{
    m_list_files->setFocus();
}

void WatchListWindow::deleteEntry()
{
    const QList<QListWidgetItem *> selected = m_list_files->selectedItems();
    if (selected.isEmpty())
        return;
    delete m_list_files->takeItem(m_list_files->row(selected.first()));
    // The list would move the selection on to the next entry; a second press
    // must not remove an entry the user never picked.
    m_list_files->setCurrentItem(nullptr);
    m_list_files->clearSelection();
}

void WatchListWindow::apply()
{
    const IniFile &file = m_state.store.settingsFile();
    const QStringList stored = watchlist::read(file);
    QStringList list = entries();
    if (stored != m_loaded) {
        // Changed behind the window: its edits go onto the list as it is now,
        // shown before anything is written.
        list = watchlist::merge(m_loaded, list, stored);
        m_loaded = stored;
        m_list_files->clear();
        m_list_files->addItems(list);
    }
    if (list.size() > watchlist::kMaxEntries) {
        msgbox::show(this, m_state.message(Msg::TooManyFiles), msgbox::Icon::Critical);
        return;
    }
    if (!std::all_of(list.cbegin(), list.cend(), watchlist::isStorable)) {
        msgbox::show(this, m_state.message(Msg::CannotStore), msgbox::Icon::Critical);
        return;
    }
    bool saved = watchlist::write(file, list);
    if (m_opt_not_all->isChecked())
        saved = m_state.store.SaveUserSetting(keys::kNotAllFiles, QStringLiteral("1")) && saved;
    else if (m_optall->isChecked())
        saved = m_state.store.SaveUserSetting(keys::kNotAllFiles, QStringLiteral("0")) && saved;

    // A list that did not reach the stores stays on screen, so the user can
    // free the disk or the folder and apply again.
    if (!saved) {
        msgbox::show(this, m_state.message(Msg::SaveFailed), msgbox::Icon::Critical);
        return;
    }
    close();
}

void WatchListWindow::cancel()
{
    close();
}

} // namespace quendral
