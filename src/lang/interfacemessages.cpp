#include "lang/interfacemessages.h"

#include "lang/languageid.h"
#include "lang/messages.h"
#include "settings/inifile.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"

namespace quendral {

QHash<QString, QString> messageTexts(const QString &languageFile)
{
    // A missing or refused file reads as empty, so every text is the built-in.
    // Read by our own engine on every platform, each line UTF-8 or else
    // Windows-1250 as the text lines are: the system's 8-bit profile calls
    // would take a UTF-8 file for the system's code page.
    const QHash<QString, QString> texts =
        languageFile.isEmpty() ? QHash<QString, QString>() : ini::readSection(languageFile, keys::kMessagesSection);
    QHash<QString, QString> messages;
    for (const QString &key : messageKeys()) {
        QString text = texts.value(key);
        if (text.isEmpty())
            text = builtInMessage(key);
        // The INI reader drops the blanks around a value; the drive name goes
        // between these two halves.
        else if (key == QLatin1String("withoutdrive1"))
            text += u' ';
        else if (key == QLatin1String("withoutdrive2"))
            text.prepend(u' ');
        messages.insert(key, text);
    }
    return messages;
}

QString systemLanguageFileName()
{
    return systemDefaultLangId() == kLangIdPolish ? QStringLiteral("Polish.ini") : QStringLiteral("English.ini");
}

QHash<QString, QString> interfaceMessages(const QString &programFolder)
{
    // Only read: the language pass of a start writes the choice down, and
    // the uninstall switch must leave no settings file behind.
    QString file;
    if (!programFolder.isEmpty()) {
        const IniFile settings(settingsFileToRead(programFolder));
        file = languageFile(programFolder, settings.ReadIni(keys::kOptionsSection, keys::kLanguage));
        if (file.isEmpty())
            file = languageFile(programFolder, systemLanguageFileName());
    }
    return messageTexts(file);
}

} // namespace quendral
