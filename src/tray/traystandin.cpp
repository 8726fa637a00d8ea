#include "tray/traystandin.h"

#include "kit/picturebutton.h"
#include "kit/titlefit.h"
#include "tray/trayicon.h"

#include <QAction>
#include <QActionEvent>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace quendral {

TrayStandIn::TrayStandIn(QMenu &menu, TrayIcon &icon, LanguagePass loadLanguage, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_menu(menu)
{
    setObjectName(QStringLiteral("frmtray"));
    setWindowTitle(QStringLiteral("Quendral"));
    m_layout = new QVBoxLayout(this);
    const QList<QAction *> entries = menu.actions();
    for (qsizetype i = 0; i < entries.size(); ++i)
        addButton(entries[i], int(i));
    m_lblstatus = new QLabel(icon.toolTip(), this);
    m_lblstatus->setObjectName(QStringLiteral("lblstatus"));
    m_layout->addWidget(m_lblstatus);
    connect(&icon, &TrayIcon::toolTipChanged, m_lblstatus, &QLabel::setText);
    menu.installEventFilter(this);
    loadLanguage(this);
    fitTitle(this);
}

void TrayStandIn::addButton(QAction *entry, int index)
{
    auto *button = new PictureButton(entry->text(), this);
    button->setObjectName(entry->objectName());
    button->setPictures(entry->icon());
    connect(button, &PictureButton::clicked, entry, &QAction::trigger);
    m_layout->insertWidget(index, button);
    // The Monitor/Stop entry's caption and picture tell whether monitoring
    // runs; the other captions come with the language.
    if (entry->objectName() == QLatin1String("cmdmonit")) {
        connect(entry, &QAction::changed, button, [entry, button] {
            button->setText(entry->text());
            button->setPictures(entry->icon());
        });
    }
}

bool TrayStandIn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_menu && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)) {
        QAction *entry = static_cast<QActionEvent *>(event)->action();
        if (event->type() == QEvent::ActionRemoved) {
            delete findChild<PictureButton *>(entry->objectName(), Qt::FindDirectChildrenOnly);
        } else {
            QAction *before = static_cast<QActionEvent *>(event)->before();
            // Before the button of the entry it goes before, or last.
            const int index =
                before ? m_layout->indexOf(findChild<PictureButton *>(before->objectName(), Qt::FindDirectChildrenOnly))
                       : m_layout->count() - 1;
            addButton(entry, index);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TrayStandIn::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (QAction *exit = m_menu.findChild<QAction *>(QStringLiteral("cmdexit")))
        exit->trigger();
}

} // namespace quendral
