#pragma once

#include "settings/messageid.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace quendral {

struct AppState;
class MenuDecorator;
class Monitor;
class TrayIcon;
class WindowFactory;

// Ends the process at once: output is flushed, no window's unload handler
// runs and nothing is saved.
[[noreturn]] void endAtOnce();

// The resident tray window. Never shown: the user sees its icon, the icon's
// tooltip and its popup menu. It is the view of the monitor: its Monitor/Stop
// entry starts and stops it, its icon and tooltip show whether it runs, and
// it shows the monitor's problems and warnings in message boxes.
class frmnotunload : public QWidget
{
    Q_OBJECT

public:
    frmnotunload(AppState &state, Monitor &monitor, WindowFactory &windows, std::function<void()> loadLanguage);

    // The popup menu's entries.
    void cmdmonit_Click();
    void cmdaddfile_Click();
    void cmdoptions_Click();
    void cmdhelp_Click();
    void cmdabout_Click();
    void cmdexit_Click();
    // Shown while a completion's countdown runs.
    void cmddecline_Click();

    // The stopped display.
    void show_stopped();
    // The entry's caption and the tooltip again, in the texts of the current
    // language: the options window calls it after applying a language.
    void reset_to_start_texts();
    // The browser button's status text, held by the hidden label lblIE so that
    // a language file can replace it.
    QString browserButtonText() const;
    // The tooltip, in one piece: stopped, the stopped text; while monitoring,
    // the running text, how many files are in, the next check (or the
    // countdown) and the armed actions, a line each.
    QString toolTipText(bool running) const;

    // The icon and its menu, for placing the icon and for the window that
    // stands in for it where the desktop has no notification area.
    TrayIcon &trayIcon() const { return *m_tray; }
    QMenu &trayMenu() const { return *m_mnutray; }

signals:
    // Close was chosen and confirmed: the program ends at once (endAtOnce).
    void exitConfirmed();

private:
    void Form_Load();
    void show_running();
    QAction *addEntry(const QString &name, const QString &caption, void (frmnotunload::*handler)());
    QLabel *addLabel(const QString &name, const QString &caption);
    QLabel *addPicture(const QString &name, const QString &file);
    void warn(Msg message);
    // Counts the files that are in, for the tooltip, and shows it again.
    void recount();
    void refreshToolTip(bool running);

    AppState &m_state;
    Monitor &m_monitor;
    WindowFactory &m_windows;
    std::function<void()> m_loadLanguage;

    TrayIcon *m_tray;
    QMenu *m_mnutray;
    MenuDecorator *m_hm1;
    QAction *m_cmddecline;
    QLabel *m_lblIE;
    QLabel *m_lblstart;
    QLabel *m_lblstop;
    QLabel *m_lbltooltipactive;
    QLabel *m_lbltooltipnotactive;
    QLabel *m_pctplay;
    QLabel *m_pctstop;
    QAction *m_cmdmonit;
    // While monitoring: the tooltip's seconds, once a second.
    QTimer *m_tipTimer;
    std::function<bool(const QString &folder)> m_mayBlock;
    int m_there = 0;
    int m_total = 0;
    QStringList m_actions;
};

} // namespace quendral
