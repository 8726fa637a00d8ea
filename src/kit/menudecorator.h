#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>

class QAction;
class QMenu;

namespace quendral {

// Draws a popup menu in its own font and colours (from its first opening on),
// with one picture beside each entry. Pictures are keyed "#" + the entry's
// object name ("#cmdmonit"); a picture stored before its entry is added is
// put on when the entry arrives.
class MenuDecorator : public QObject
{
    Q_OBJECT

public:
    explicit MenuDecorator(QMenu &menu, QObject *parent = nullptr);

    void setPicture(const QString &key, const QIcon &picture);
    QIcon picture(const QString &key) const { return m_pictures.value(key); }

    // Replaces the picture drawn beside `entry`.
    void setEntryPicture(QAction *entry, const QIcon &picture);

    static QString keyOf(const QAction *entry);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenu &m_menu;
    QHash<QString, QIcon> m_pictures;
};

} // namespace quendral
