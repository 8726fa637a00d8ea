#include "watchlist/folderchooser.h"

#include "kit/messagebox.h"
#include "kit/named.h"
#include "settings/appstate.h"
#include "watchlist/filenamewindow.h"
#include "watchlist/folderlist.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace quendral {

FolderChooser::FolderChooser(AppState &state, LanguagePass loadLanguage, QList<DriveEntry> drives,
                             std::function<QStringList()> listed, std::function<void(const QString &)> addEntry,
                             QWidget *parent)
    : KeyDialog(parent)
    , m_state(state)
    , m_loadLanguage(std::move(loadLanguage))
    , m_drives(std::move(drives))
    , m_listed(std::move(listed))
    , m_addEntry(std::move(addEntry))
    , m_lblfile(named<QLabel>(this, "lblfile",
                              QStringLiteral("Wybierz folder w którym ma zostać zapisany pobrany plik, a następnie "
                                             "kliknij przycisk OK")))
    , m_drive(named<QComboBox>(this, "Drive"))
    , m_dir(named<FolderList>(this, "Dir"))
    , m_cmdok(named<QPushButton>(this, "cmdok", QStringLiteral("OK")))
    , m_cmdcancel(named<QPushButton>(this, "cmdcancel", QStringLiteral("Anuluj")))
{
    setObjectName(QStringLiteral("frmdir"));
    setWindowTitle(QStringLiteral("Przeglądaj w poszukiwaniu folderu:"));
    m_lblfile->setWordWrap(true);
    for (const DriveEntry &drive : std::as_const(m_drives))
        m_drive->addItem(drive.text);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblfile);
    layout->addWidget(m_drive);
    layout->addWidget(m_dir, 1);
    layout->addLayout(buttonRow({m_cmdok, m_cmdcancel}));
    resize(400, 420);

    setTabOrder(m_dir, m_cmdok);
    setTabOrder(m_cmdok, m_cmdcancel);
    setTabOrder(m_cmdcancel, m_drive);
    m_dir->setFocus();

    connect(m_drive, &QComboBox::currentIndexChanged, this, &FolderChooser::driveChanged);
    connect(m_cmdok, &QPushButton::clicked, this, &FolderChooser::confirm);
    // With no folder highlighted there is nothing to choose: an empty folder
    // would only bring the next window's complaint.
    connect(m_dir, &FolderList::itemSelectionChanged, this,
            [this] { m_cmdok->setEnabled(!m_dir->highlightedPath().isEmpty()); });
    m_cmdok->setEnabled(false);
    connect(m_cmdcancel, &QPushButton::clicked, this, &FolderChooser::cancel);

    load();
}

void FolderChooser::load()
{
    m_loadLanguage(this);
    if (m_state.lastFolder.isEmpty()) {
        selectDrive(fallbackIndex());
        return;
    }
    selectDrive(driveOf(m_state.lastFolder));
    // A remembered folder that is gone (its disk removed) leaves the chooser
    // where selecting the drive put it.
    m_dir->setPath(m_state.lastFolder);
}

void FolderChooser::selectDrive(int index)
{
    if (index < 0)
        return;
    const QSignalBlocker blocker(m_drive);
    m_drive->setCurrentIndex(index);
    driveChanged();
}

int FolderChooser::driveOf(const QString &folder) const
{
    int found = -1;
    qsizetype longest = -1;
    const QChar separator = QDir::separator();
    const QString native = QDir::toNativeSeparators(folder);
    for (int i = 0; i < m_drives.size(); ++i) {
        const QString root = QDir::toNativeSeparators(m_drives[i].path);
        const bool holds = native == root || native.startsWith(root.endsWith(separator) ? root : root + separator);
        if (holds && root.size() > longest) {
            found = i;
            longest = root.size();
        }
    }
    return found < 0 ? fallbackIndex() : found;
}

int FolderChooser::fallbackIndex() const
{
    return m_drives.isEmpty() ? -1 : std::min<int>(1, int(m_drives.size()) - 1);
}

void FolderChooser::driveChanged()
{
    const int index = m_drive->currentIndex();
    if (index < 0 || m_dir->setPath(m_drives[index].path))
        return;

    const QString name = m_drive->itemText(index).toUpper();
    const QChar separator = QDir::separator();
    msgbox::show(this,
                 m_state.message(Msg::WithoutDrive1) + name +
                     (name.endsWith(separator) ? QString() : QString(separator)) + m_state.message(Msg::WithoutDrive2),
                 msgbox::Icon::Critical);

    // The selection never stays on a drive that failed. When the fallback
    // fails too, the folder list stays empty and nothing is highlighted.
    const int fallback = fallbackIndex();
    {
        const QSignalBlocker blocker(m_drive);
        m_drive->setCurrentIndex(fallback);
    }
    if (!m_dir->setPath(m_drives[fallback].path))
        m_dir->clearPath();
}

void FolderChooser::confirm()
{
    const QString folder = m_dir->highlightedPath();
    if (folder.isEmpty())
        return;
    auto *file = new FileNameWindow(
        m_state, m_loadLanguage, folder, [this] { return m_dir->highlightedPath(); }, m_listed, m_addEntry, this);
    m_state.lastFolder = folder;
    connect(file, &FileNameWindow::entryAdded, this, &QWidget::close);
    file->exec();
}

void FolderChooser::cancel()
{
    close();
}

} // namespace quendral
