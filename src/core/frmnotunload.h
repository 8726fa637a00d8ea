#pragma once

#include "core/presenceprobe.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace quendral {

struct AppState;
class CompletionWindows;
class DialupControl;
class MenuDecorator;
class SoundPlayer;
class TrayIcon;
class WindowFactory;

// Ends the process at once: output is flushed, no window's unload handler
// runs and nothing is saved.
[[noreturn]] void endAtOnce();

// The resident tray window. Never shown: the user sees its icon, the icon's
// tooltip and its popup menu. It owns the monitoring timer; the monitoring
// state is read back from the Monitor/Stop entry's caption.
class frmnotunload : public QWidget
{
    Q_OBJECT

public:
    frmnotunload(AppState &state, WindowFactory &windows, DialupControl &dialup, SoundPlayer &sound,
                 CompletionWindows &completion, std::function<void()> loadLanguage,
                 std::function<void()> endProgram = endAtOnce, PresenceProbe probe = PresenceProbe());

    // The popup menu's entries.
    void cmdmonit_Click();
    void cmdaddfile_Click();
    void cmdoptions_Click();
    void cmdhelp_Click();
    void cmdabout_Click();
    void cmdexit_Click();

    // Every 30 s while monitoring runs.
    void tloop_Timer();
    // The stopped display; the timer is left as it is. The countdown windows
    // call it when the last of them closes.
    void show_stopped();
    // Back to the stopped texts of the current language: the options window
    // calls it after applying a language.
    void reset_to_start_texts();
    // The browser button's status text, held by the hidden label lblIE so that
    // a language file can replace it.
    QString browserButtonText() const;

    // The icon and its menu, for placing the icon and for the window that
    // stands in for it where the desktop has no notification area.
    TrayIcon &trayIcon() const { return *m_tray; }
    QMenu &trayMenu() const { return *m_mnutray; }

private:
    void Form_Load();
    void show_running();
    QAction *addEntry(const QString &name, const QString &caption, void (frmnotunload::*handler)());
    QLabel *addLabel(const QString &name, const QString &caption);
    QLabel *addPicture(const QString &name, const QString &file);
    void warnAndHalt(const QString &messageKey);

    AppState &m_state;
    WindowFactory &m_windows;
    DialupControl &m_dialup;
    SoundPlayer &m_sound;
    CompletionWindows &m_completion;
    std::function<void()> m_loadLanguage;
    std::function<void()> m_endProgram;
    PresenceProbe m_probe;
    bool m_inTick = false;

    TrayIcon *m_tray;
    QMenu *m_mnutray;
    MenuDecorator *m_hm1;
    QTimer *m_tloop;
    QLabel *m_lblIE;
    QLabel *m_lblstart;
    QLabel *m_lblstop;
    QLabel *m_lbltooltipactive;
    QLabel *m_lbltooltipnotactive;
    QLabel *m_pctplay;
    QLabel *m_pctstop;
    QAction *m_cmdmonit;
};

} // namespace quendral
