#pragma once

#include "engine/monitor.h"
#include "kit/languagepass.h"
#include "settings/messageid.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace quendral {

struct AppState;
class DesktopNotifier;
class MenuDecorator;
class Monitor;
class TrayIcon;
class WindowFactory;

// Ends the process at once: output is flushed, no window's unload handler
// runs and nothing is saved.
[[noreturn]] void endAtOnce();

// The resident tray window. Never shown: the user sees its icon, the icon's
// tooltip and its popup menu. It is the view of the monitor: its Monitor/Stop
// entry starts and stops it; its entry, icon and tooltip are made from the
// monitor's state and choice alone; it shows the monitor's problems and
// warnings in message boxes, and a problem that stopped monitoring also in
// the desktop's notifications.
class TrayWindow : public QWidget
{
    Q_OBJECT

public:
    TrayWindow(AppState &state, Monitor &monitor, WindowFactory &windows, DesktopNotifier &notifier,
               LanguagePass loadLanguage);

    // The popup menu's entries.
    void startOrStopMonitoring();
    void addFile();
    void showOptions();
    void showHelp();
    void showAbout();
    void exitProgram();
    // Shown while a completion's countdown runs.
    void declineTheCountdown();

    // The entry, its picture, the icon and the tooltip as the monitor's state
    // and choice are now.
    void showState();
    // The browser button's status text, held by the hidden label lblIE so that
    // a language file can replace it.
    QString browserButtonText() const;
    // The tooltip, in one piece: stopped, the stopped text; while monitoring
    // or counting down, the running text, how many files are in, the next
    // check (or the countdown), the actions of the completion and what else
    // may end monitoring, a line each.
    QString toolTipText() const;

    // The icon and its menu, for placing the icon and for the window that
    // stands in for it where the desktop has no notification area.
    TrayIcon &trayIcon() const { return *m_tray; }
    QMenu &trayMenu() const { return *m_mnutray; }

signals:
    // Close was chosen and confirmed: the program ends at once (endAtOnce).
    void exitConfirmed();

protected:
    void changeEvent(QEvent *event) override;

private:
    void load();
    QAction *addEntry(const QString &name, const QString &caption, void (TrayWindow::*handler)());
    QLabel *addLabel(const QString &name, const QString &caption);
    QLabel *addPicture(const QString &name, const QString &file);
    void warn(const QString &text);
    void tellStopped(Monitor::Problem problem);

    AppState &m_state;
    Monitor &m_monitor;
    WindowFactory &m_windows;
    DesktopNotifier &m_notifier;
    LanguagePass m_loadLanguage;

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
    // The picture the Monitor/Stop entry shows now.
    const QLabel *m_entryPicture = nullptr;
    std::function<bool(const QString &folder)> m_mayBlock;
};

} // namespace quendral
