#pragma once

#include <QApplication>
#include <QEvent>
#include <QStringList>
#include <QWidget>

namespace quendral::test {

// Records the names of the top-level windows the program shows, in order,
// however they were made.
class ShownWindows : public QObject
{
public:
    ShownWindows() { qApp->installEventFilter(this); }
    QStringList names;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            names.append(watched->objectName());
        return false;
    }
};

// The loaded top-level window of that name, or nullptr.
template <typename Window = QWidget> Window *loadedWindow(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name)
            if (auto *typed = qobject_cast<Window *>(window))
                return typed;
    }
    return nullptr;
}

} // namespace quendral::test
