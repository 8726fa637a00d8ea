#pragma once

#include "lang/interfacemessages.h"

#include <QHash>
#include <QString>

class QWidget;

namespace quendral {

struct AppState;

// The language file that the `language` value names: the file of that name in
// the user's Languages folder, else in the program folder's (languageFile), or
// "" when there is no such file. A value is a file name inside Languages/; one
// that contains a path separator or names "." or ".." would reach outside it
// and is refused as if no file existed.
QString languageFilePath(const AppState &state, const QString &value);

// The language pass: makes sure the settings file names an existing language
// (the system's default language otherwise), applies the text lines of that
// language file to `only` (a window being created) or, without it, to every
// loaded window, and reloads every message text. A pass over every window
// ends by sending each a LanguageChange event, at which a window puts back
// the texts it set at run time. When
// the file cannot be read or a line cannot be applied, the pass ends there and
// the message texts keep the texts they had (the built-in ones at the first
// pass).
void LoadLanguage(AppState &state, QWidget *only = nullptr);

// Applies the text lines of a whole language file to the loaded windows:
// "window.control.property==value" and "window.property==value", lines ending
// in CR LF (or, in a file without any CR LF, in LF, else CR). Lines that name
// no loaded window or control are skipped. Returns false when a property
// cannot be assigned; the lines after it are not applied.
bool ApplyTextLines(const QString &text, QWidget *only = nullptr);
// The same for a file as stored: each line UTF-8, or else Windows-1250.
bool ApplyTextFile(const QByteArray &bytes, QWidget *only = nullptr);

// Sets every message text from the [Messages] section of the language file
// that the settings file names, or to its built-in text where the file has none.
void LoadMessages(AppState &state);

} // namespace quendral
