#pragma once

#include <QHash>
#include <QString>

namespace quendral {

// The message texts of a language file ("" for none): its [Messages] lines,
// the built-in text where it has none.
QHash<QString, QString> messageTexts(const QString &languageFile);

// The language file of the system's language: Polish.ini on a Polish system,
// English.ini on any other.
QString systemLanguageFileName();

// The message texts by key for a run without windows (the command line): from
// the language file the settings file names, else from the file of the
// system's language; the built-in texts where neither is found. Nothing is
// written.
QHash<QString, QString> interfaceMessages(const QString &programFolder);

} // namespace quendral
