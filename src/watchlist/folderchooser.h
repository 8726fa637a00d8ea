#pragma once

#include "kit/languagepass.h"
#include "watchlist/drives.h"
#include "watchlist/keydialog.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace quendral {

struct AppState;
class FolderList;

// The folder chooser: a drive list and a folder list. OK hands the
// highlighted folder to the file-name window, which runs modally above this
// one and, when it adds the entry, closes both.
class FolderChooser : public KeyDialog
{
    Q_OBJECT

public:
    // listed reads the watch-list window's entries; addEntry puts the
    // finished entry into that list.
    FolderChooser(AppState &state, LanguagePass loadLanguage, QList<DriveEntry> drives,
                  std::function<QStringList()> listed, std::function<void(const QString &)> addEntry,
                  QWidget *parent = nullptr);

    void driveChanged();
    void confirm();
    void cancel();

protected:
    // Enter in the folder list or on the window.
    void enterPressed() override { confirm(); }

private:
    void load();
    // Selects a drive entry and runs Drive_Change for it, as a user's choice does.
    void selectDrive(int index);
    // The drive whose folder holds the given folder most closely, or -1.
    int driveOf(const QString &folder) const;
    // The entry the chooser opens on and falls back to; the second one when there is one.
    int fallbackIndex() const;

    AppState &m_state;
    LanguagePass m_loadLanguage;
    QList<DriveEntry> m_drives;
    std::function<QStringList()> m_listed;
    std::function<void(const QString &)> m_addEntry;

    QLabel *m_lblfile;
    QComboBox *m_drive;
    FolderList *m_dir;
    QPushButton *m_cmdok;
    QPushButton *m_cmdcancel;
};

} // namespace quendral
