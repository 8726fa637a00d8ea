#pragma once

#include "settings/messageid.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>

namespace quendral {

// The program-wide values that several windows share. One instance lives for
// the whole run; windows get it through their constructors.
struct AppState
{
    explicit AppState(const QString &programFolder)
        : store(programFolder)
    {
    }

    SettingsStore store;
    // The program file the user started, which the Run value names: the GUI
    // program sets the front program that started it (programfile::startedFile).
    QString programFile = QCoreApplication::applicationFilePath();

    // Seconds left, shared by the two countdown windows.
    qint16 countdown = 15;
    // Path of the countdown tick sound; once found it is kept.
    QString tickSound;
    // The folder confirmed last in the folder chooser during this run.
    QString lastFolder;
    // "PL" or "EN", the help text chosen last.
    QString helpLanguage;
    // Message texts by key (noconnection, nofiles, ...), set by the language pass.
    QHash<QString, QString> messages;

    QString ProgramFolder() const { return store.programFolder(); }
    QString message(Msg id) const { return messages.value(messageKey(id)); }
};

} // namespace quendral
