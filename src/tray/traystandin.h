#pragma once

#include "kit/languagepass.h"

#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QVBoxLayout;

namespace quendral {

class PictureButton;
class TrayIcon;

// The tray window's menu as a small window of its own, for a desktop without
// a notification area: one button per menu entry, running that entry, and the
// icon's tooltip as a status line. Closing it is choosing Close.
class TrayStandIn : public QWidget
{
    Q_OBJECT

public:
    TrayStandIn(QMenu &menu, TrayIcon &icon, LanguagePass loadLanguage, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Follows entries that come and go in the menu (the countdown's decline).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addButton(QAction *entry, int index);

    QMenu &m_menu;
    QVBoxLayout *m_layout;
    QLabel *m_lblstatus;
};

} // namespace quendral
