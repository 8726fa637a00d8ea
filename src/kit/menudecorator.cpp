#include "kit/menudecorator.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>

namespace quendral {

namespace {

// The menu's own look; the desktop's menu font and colours are not used.
// Colours: popup white, text black, border white; the selected entry white on
// lavender with a darker frame; disabled entries pale grey on lavender; the
// check mark black on lavender.
const char *const kStyle = R"(
QMenu { background-color: rgb(255, 255, 255); color: black; border: 1px solid white; }
QMenu::item { padding: 3px 24px 3px 8px; border: 1px solid transparent; }
QMenu::item:selected { background-color: rgb(192, 192, 255); border: 1px solid rgb(128, 128, 255); color: white; }
QMenu::item:disabled { background-color: rgb(192, 192, 255); border: 1px solid rgb(128, 128, 255);
                       color: rgb(224, 224, 224); }
QMenu::indicator { background-color: rgb(192, 192, 255); color: black; }
QMenu::indicator:selected { background-color: rgb(128, 128, 255); }
)";

} // namespace

MenuDecorator::MenuDecorator(QMenu &menu, QObject *parent)
    : QObject(parent)
    , m_menu(menu)
{
    // Tahoma 8.25 pt; where Tahoma is missing the nearest sans-serif font
    // stands in. (Unicode text needs no Central European character set.)
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8.25);
    m_menu.setFont(font);
    // The colours are put on when the menu first opens: a style sheet builds
    // a style of its own, memory a waiting program would carry from start-up
    // (and a StatusNotifier tray draws the menu itself). The menu lays its
    // entries out after this signal, in the new style.
    connect(&m_menu, &QMenu::aboutToShow, this, [this] {
        if (m_menu.styleSheet().isEmpty())
            m_menu.setStyleSheet(QString::fromLatin1(kStyle));
    });
    m_menu.installEventFilter(this);
}

QString MenuDecorator::keyOf(const QAction *entry)
{
    return u'#' + entry->objectName();
}

void MenuDecorator::setPicture(const QString &key, const QIcon &picture)
{
    m_pictures.insert(key, picture);
    for (QAction *entry : m_menu.actions()) {
        if (keyOf(entry) == key)
            entry->setIcon(picture);
    }
}

void MenuDecorator::setEntryPicture(QAction *entry, const QIcon &picture)
{
    setPicture(keyOf(entry), picture);
}

bool MenuDecorator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_menu && event->type() == QEvent::ActionAdded) {
        QAction *entry = static_cast<QActionEvent *>(event)->action();
        const auto picture = m_pictures.constFind(keyOf(entry));
        if (picture != m_pictures.cend())
            entry->setIcon(*picture);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quendral
