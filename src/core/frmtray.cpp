#include "core/frmtray.h"

#include "core/trayicon.h"
#include "kit/picturebutton.h"
#include "kit/titlefit.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace quendral {

frmtray::frmtray(QMenu &menu, TrayIcon &icon, std::function<void()> loadLanguage, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_menu(menu)
{
    setObjectName(QStringLiteral("frmtray"));
    setWindowTitle(QStringLiteral("Quendral"));
    auto *layout = new QVBoxLayout(this);
    for (QAction *entry : menu.actions()) {
        auto *button = new PictureButton(entry->text(), this);
        button->setObjectName(entry->objectName());
        button->setPictures(entry->icon());
        connect(button, &PictureButton::clicked, entry, &QAction::trigger);
        layout->addWidget(button);
        // The Monitor/Stop entry's caption and picture tell whether
        // monitoring runs; the other captions come with the language.
        if (entry->objectName() == QLatin1String("cmdmonit")) {
            connect(entry, &QAction::changed, button, [entry, button] {
                button->setText(entry->text());
                button->setPictures(entry->icon());
            });
        }
    }
    m_lblstatus = new QLabel(icon.toolTip(), this);
    m_lblstatus->setObjectName(QStringLiteral("lblstatus"));
    layout->addWidget(m_lblstatus);
    connect(&icon, &TrayIcon::toolTipChanged, m_lblstatus, &QLabel::setText);
    loadLanguage();
    fitTitle(this);
}

void frmtray::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (QAction *exit = m_menu.findChild<QAction *>(QStringLiteral("cmdexit")))
        exit->trigger();
}

} // namespace quendral
