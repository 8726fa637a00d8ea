#pragma once

#include "settings/inifile.h"

#include <QString>
#include <QStringList>

// The files a user keeps for the program when its folder is not theirs to
// write (installed under /usr): the settings file and their own language files,
// below ${XDG_DATA_HOME:-~/.local/share}.
namespace quendral {

// ${XDG_DATA_HOME:-~/.local/share}, without a trailing "/".
QString dataHome();
// The program's folder there, ending in "/".
QString userDataFolder();

// True when a new file can be created in the folder. Tried, not read from the
// modes: a read-only mount or another owner's folder fails the same way.
bool canCreateFileIn(const QString &folder);

// The settings file of a program folder: Settings.ini beside the program when
// the folder can be written, else the per-user file, which starts as a whole
// copy of the Settings.ini shipped in the program folder, made now or, when
// that fails, by a later write (once made, later changes of the shipped file
// are not followed).
IniFile settingsFileFor(const QString &programFolder);

// The file settingsFileFor names, for reading only: nothing is made, and
// while the per-user copy is missing the shipped file stands for it.
QString settingsFileToRead(const QString &programFolder);

// The per-user folder, when the settings file `settingsPath` lives there and
// the folder cannot take it: a file or a dangling link in its place, or
// read-only. "" otherwise.
QString unusableDataFolder(const QString &settingsPath);

// The language file of that name: the user's Languages folder first, then the
// program folder's; "" when neither has it, or when the name is not a plain
// file name (one with a path separator, "." or ".." would reach outside).
QString languageFile(const QString &programFolder, const QString &name);
// The names of the language files (*.ini) of both folders, each once, sorted
// without letter case.
QStringList languageFileNames(const QString &programFolder);

} // namespace quendral
