#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QMenu;

namespace quendral {

class PictureButton;
class TrayIcon;

// The tray window's menu as a small window of its own, for a desktop without
// a notification area: one button per menu entry, running that entry, and the
// icon's tooltip as a status line. Closing it is choosing Close.
class frmtray : public QWidget
{
    Q_OBJECT

public:
    frmtray(QMenu &menu, TrayIcon &icon, std::function<void()> loadLanguage, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QMenu &m_menu;
    QLabel *m_lblstatus;
};

} // namespace quendral
