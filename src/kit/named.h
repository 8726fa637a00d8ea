#pragma once

#include <QString>
#include <QWidget>

namespace quendral {

// Creates a control with the object name that language files address it by.
template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The same for a control that carries a text from the start.
template <typename T> T *named(QWidget *parent, const char *name, const QString &text)
{
    auto *widget = new T(text, parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace quendral
