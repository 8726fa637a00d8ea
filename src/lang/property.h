#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QWidget>

namespace quendral {

// Windows and controls addressed by name, as the language files address them.

// The loaded windows (top-level widgets, shown or hidden) whose objectName is
// exactly `name`. Normally there is one; a window that is being unloaded may
// still exist beside its successor, and both get the texts.
QList<QWidget *> loadedWindows(const QString &name);

// The first control of `window` whose objectName is exactly `name`: widgets,
// menu entries (QAction), timers and other child objects, hidden ones
// included. Popup menus are searched as part of their window; other windows
// that the window owns (a modal chooser opened above it) are not. An empty
// name finds nothing.
QObject *findControl(QWidget *window, const QString &name);

// Assigns `value` to the property called `name` (letter case ignored) of
// `target`, the window itself when `isWindow`. The names of the original
// platform map onto Qt's: Caption is a window's title, the text of a label,
// button, check box, option button or menu entry and the title of a frame or
// menu; Text is the contents of a text box; ToolTipText is the pop-up hint.
// Any other name is one of the target's writable Qt properties, converted
// from text as Qt converts it. Returns false when the target has no such
// property or the property refuses the value.
bool setPropertyByName(QObject *target, bool isWindow, const QString &name, const QString &value);

} // namespace quendral
