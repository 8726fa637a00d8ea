#include "lang/property.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace quendral {

namespace {

bool setCaption(QObject *target, bool isWindow, const QString &value)
{
    if (isWindow) {
        static_cast<QWidget *>(target)->setWindowTitle(value);
        return true;
    }
    if (auto *label = qobject_cast<QLabel *>(target))
        label->setText(value);
    else if (auto *button = qobject_cast<QAbstractButton *>(target))
        button->setText(value);
    else if (auto *action = qobject_cast<QAction *>(target))
        action->setText(value);
    else if (auto *frame = qobject_cast<QGroupBox *>(target))
        frame->setTitle(value);
    else if (auto *menu = qobject_cast<QMenu *>(target))
        menu->setTitle(value);
    else
        return false;
    return true;
}

bool setTextBoxText(QObject *target, const QString &value)
{
    if (auto *line = qobject_cast<QLineEdit *>(target))
        line->setText(value);
    else if (auto *edit = qobject_cast<QTextEdit *>(target))
        edit->setPlainText(value);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(target))
        plain->setPlainText(value);
    else
        return false;
    return true;
}

bool setToolTip(QObject *target, const QString &value)
{
    if (auto *widget = qobject_cast<QWidget *>(target))
        widget->setToolTip(value);
    else if (auto *action = qobject_cast<QAction *>(target))
        action->setToolTip(value);
    else
        return false;
    return true;
}

bool setQtProperty(QObject *target, const QString &name, const QString &value)
{
    const QMetaObject *meta = target->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (QString::fromLatin1(property.name()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!property.isWritable())
            return false;
        // Converted here rather than by write(), which would assign a
        // default value where the text does not convert. Enumerations take
        // their key names, which write() looks up itself.
        QVariant converted(value);
        const QMetaType type = property.metaType();
        if (!property.isEnumType() && type != converted.metaType() && type != QMetaType::fromType<QVariant>() &&
            !converted.convert(type))
            return false;
        return property.write(target, converted);
    }
    return false;
}

} // namespace

QList<QWidget *> loadedWindows(const QString &name)
{
    QList<QWidget *> windows;
    if (name.isEmpty())
        return windows;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *window : all) {
        if (window->objectName() == name)
            windows.append(window);
    }
    return windows;
}

QObject *findControl(QWidget *window, const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    // Breadth first, so that the control nearest the window wins.
    QList<QObject *> level = {window};
    while (!level.isEmpty()) {
        QList<QObject *> next;
        for (QObject *parent : std::as_const(level)) {
            for (QObject *child : parent->children()) {
                if (child->objectName() == name)
                    return child;
                const auto *widget = qobject_cast<QWidget *>(child);
                if (widget && widget->isWindow() && !qobject_cast<const QMenu *>(widget))
                    continue;
                next.append(child);
            }
        }
        level = next;
    }
    return nullptr;
}

bool setPropertyByName(QObject *target, bool isWindow, const QString &name, const QString &value)
{
    if (name.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0)
        return setCaption(target, isWindow, value);
    if (name.compare(QLatin1String("ToolTipText"), Qt::CaseInsensitive) == 0)
        return setToolTip(target, value);
    if (name.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0 && setTextBoxText(target, value))
        return true;
    return setQtProperty(target, name, value);
}

} // namespace quendral
