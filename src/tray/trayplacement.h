#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace quendral {

class TrayHosts;
class TrayIcon;

// Puts the tray icon into the desktop's notification area as soon as there
// is one. Tray hosts often start after the programs started at logon, so only
// when none has appeared within the grace period is the menu offered in a
// window of its own; that window goes when a notification area appears. A
// panel that crashes takes the area with it: when no area of the icon's kind
// comes back within the grace period the window appears again, and when one
// comes back the icon is put into it and the window goes.
class TrayPlacement : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kGrace{5000};

    TrayPlacement(TrayIcon &icon, std::unique_ptr<TrayHosts> hosts, std::function<void()> showWindow,
                  std::function<void()> hideWindow, std::chrono::milliseconds grace = kGrace,
                  QObject *parent = nullptr);
    ~TrayPlacement() override;

private:
    void place();
    void areaBack();
    void graceOver();

    TrayIcon &m_icon;
    std::unique_ptr<TrayHosts> m_hosts;
    std::function<void()> m_showWindow;
    std::function<void()> m_hideWindow;
    QTimer *m_grace;
    bool m_windowShown = false;
    // Whether an area of the icon's kind was there when last asked.
    bool m_areaThere = false;
};

} // namespace quendral
