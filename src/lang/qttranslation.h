#pragma once

#include <QString>

namespace quendral {

// Qt's own texts (the standard buttons of a message box, the file dialog)
// follow the interface language. Language files are the user's to edit and
// name, so the language is told by the chosen file's name: "pl" for
// Polish.ini (in any case), "en" for every other file.
QString qtLanguageFor(const QString &languageFileName);

// The folder of Qt's translation files: Qt's own on Linux, the program
// folder's translations/ on Windows, where the zip ships them.
QString qtTranslationsFolder(const QString &programFolder);

// Installs Qt's translation qtbase_<language>.qm from that folder in place of
// the one installed before; the language installed already is left as it is.
// Without the file Qt keeps its built-in English texts.
void useQtTranslation(const QString &programFolder, const QString &language);

} // namespace quendral
