#pragma once

#include "settings/registry.h"

#include <QList>
#include <QString>

#include <utility>

// On Linux the values of the current user's Run key are the XDG autostart
// entries of $XDG_CONFIG_HOME/autostart, so that a desktop session really
// starts what the Run key names. A value "Name" is the desktop entry
// "name.desktop" (lower case, blanks and other characters outside
// [a-z0-9._-] as "-"), whose Name is the value name and whose Exec is the data,
// quoted as one program path (TryExec names it too).
namespace quendral::runkey {

bool isRunKey(registry::Root root, const QString &subkey);

QString autostartFolder();
QString entryPath(const QString &valueName);

// The Exec text of the entry of that name; kNotFound when there is none, or
// when it is hidden (Hidden=true switches an autostart entry off).
long readCommand(const QString &valueName, QString *command);
long writeCommand(const QString &valueName, const QString &command);
long removeCommand(const QString &valueName);

// The program that the desktop entry at `path` starts: its TryExec, else the
// program of its Exec; "" when the file cannot be read.
QString entryProgram(const QString &path);

// The whole desktop entry written for a value; `moreKeys` follow TryExec, their
// values escaped as strings.
QString desktopEntry(const QString &valueName, const QString &command,
                     const QList<std::pair<QString, QString>> &moreKeys = {});

} // namespace quendral::runkey
