#pragma once

#include "kit/languagepass.h"
#include "watchlist/keydialog.h"

#include <QStringList>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quendral {

struct AppState;

// The file-name window: shows the folder chosen in the folder chooser and
// asks for the name of the expected file. OK joins the two into one entry,
// hands it to the watch list and closes this window and the chooser; an entry
// the list may not take is refused with the same reason the command line gives.
class FileNameWindow : public KeyDialog
{
    Q_OBJECT

public:
    // chosenFolder reads the chooser's highlighted folder; listed reads the
    // watch-list window's entries and addEntry puts an entry into that list.
    FileNameWindow(AppState &state, LanguagePass loadLanguage, const QString &folder,
                   std::function<QString()> chosenFolder, std::function<QStringList()> listed,
                   std::function<void(const QString &)> addEntry, QWidget *parent = nullptr);

    void confirm();
    void cancel();

signals:
    // The entry went to the list; the chooser beneath closes too.
    void entryAdded();

protected:
    // Enter in the name box, in the folder box or on the window.
    void enterPressed() override { confirm(); }

private:
    void load();

    AppState &m_state;
    LanguagePass m_loadLanguage;
    std::function<QString()> m_chosenFolder;
    std::function<QStringList()> m_listed;
    std::function<void(const QString &)> m_addEntry;

    QLabel *m_lblfile;
    QLabel *m_lbldir;
    QLineEdit *m_txtdir;
    QLabel *m_lblfile2;
    QLineEdit *m_txtfile;
    QPushButton *m_cmdok;
    QPushButton *m_cmdcancel;
};

} // namespace quendral
