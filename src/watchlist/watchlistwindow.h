#pragma once

#include "kit/languagepass.h"
#include "watchlist/drives.h"
#include "watchlist/keydialog.h"

#include <functional>

class QGroupBox;
class QListWidget;
class QRadioButton;

namespace quendral {

struct AppState;
class PictureButton;

// The watch-list window: shows the stored list of expected files, adds
// entries through the folder chooser, removes them and picks the all/any
// rule. It edits the list in memory; only Apply writes the stores.
class WatchListWindow : public KeyDialog
{
    Q_OBJECT

public:
    WatchListWindow(AppState &state, LanguagePass loadLanguage, DriveSource drives = systemDrives,
                    QWidget *parent = nullptr);

    void chooseFolder();
    void addButtonFocused();
    void deleteEntry();
    void apply();
    void cancel();

    // Adds an entry at its place in alphabetical order, letter case ignored;
    // the entries around it keep their order.
    void addEntry(const QString &entry);
    QStringList entries() const;

private:
    void load();

    AppState &m_state;
    LanguagePass m_loadLanguage;
    DriveSource m_drives;

    QListWidget *m_list_files;
    QGroupBox *m_frmplus;
    QWidget *m_Picture1;
    QRadioButton *m_optall;
    QRadioButton *m_opt_not_all;
    PictureButton *m_cmdadd;
    PictureButton *m_cmddel;
    PictureButton *m_cmdapply;
    PictureButton *m_cmdcancel;
    // The stored list as the window loaded it: Apply writes the user's edits
    // onto what the file holds then, which a completion or the command line
    // may have changed meanwhile.
    QStringList m_loaded;
};

} // namespace quendral
