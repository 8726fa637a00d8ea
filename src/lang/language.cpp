#include "lang/language.h"

#include "lang/languageid.h"
#include "lang/messages.h"
#include "lang/property.h"
#include "settings/appstate.h"
#include "settings/atomicfile.h"
#include "settings/cp1250.h"
#include "settings/inifile.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"

#include <QFileInfo>
#include <QPointer>

namespace quendral {

namespace {

// Handles one text line; false when its assignment failed.
bool applyTextLine(QStringView line)
{
    const qsizetype separator = line.indexOf(u"==");
    if (separator <= 0)
        return true;
    QStringView value = line.mid(separator + 2);
    const qsizetype second = value.indexOf(u"==");
    if (second >= 0)
        value = value.left(second);

    const QList<QStringView> parts = line.left(separator).split(u'.');
    if (parts.size() < 2)
        return true;
    const QString valueText = value.toString();
    const bool onControl = parts.size() == 3;
    const QString property = parts.at(onControl ? 2 : 1).toString();

    // Guarded, since an assignment may in principle destroy a window.
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : loadedWindows(parts.at(0).toString()))
        windows.append(window);
    for (const QPointer<QWidget> &window : std::as_const(windows)) {
        if (!window)
            continue;
        QObject *target = onControl ? findControl(window, parts.at(1).toString()) : window.data();
        if (target && !setPropertyByName(target, !onControl, property, valueText))
            return false;
    }
    return true;
}

} // namespace

QString languageFilePath(const AppState &state, const QString &value)
{
    return languageFile(state.ProgramFolder(), value);
}

bool ApplyTextLines(const QString &text)
{
    QStringView rest(text);
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf(u"\r\n");
        const QStringView line = end < 0 ? rest : rest.left(end);
        rest = end < 0 ? QStringView() : rest.mid(end + 2);
        if (!line.isEmpty() && !applyTextLine(line))
            return false;
    }
    return true;
}

void LoadMessages(AppState &state)
{
    // A missing or refused file reads as empty, so every text is the built-in.
    const IniFile languageFile(
        languageFilePath(state, state.store.settingsFile().ReadIni(keys::kOptionsSection, keys::kLanguage)));
    for (const QString &key : messageKeys()) {
        QString text = languageFile.ReadIni(keys::kMessagesSection, key);
        if (text.isEmpty())
            text = builtInMessage(key);
        // The INI reader drops the blanks around a value; the drive name goes
        // between these two halves.
        else if (key == QLatin1String("withoutdrive1"))
            text += u' ';
        else if (key == QLatin1String("withoutdrive2"))
            text.prepend(u' ');
        state.messages.insert(key, text);
    }
}

void LoadLanguage(AppState &state)
{
    // Until a pass completes, the built-in texts stand in.
    if (state.messages.isEmpty())
        setBuiltInMessages(state);

    const IniFile &settings = state.store.settingsFile();
    const QString defaultName =
        systemDefaultLangId() == kLangIdPolish ? QStringLiteral("Polish.ini") : QStringLiteral("English.ini");
    if (!QFileInfo::exists(settings.path()) ||
        languageFilePath(state, settings.ReadIni(keys::kOptionsSection, keys::kLanguage)).isEmpty()) {
        if (!languageFilePath(state, defaultName).isEmpty())
            settings.WriteIni(keys::kOptionsSection, keys::kLanguage, defaultName);
    }

    if (QFileInfo::exists(settings.path())) {
        const QString file = languageFilePath(state, settings.ReadIni(keys::kOptionsSection, keys::kLanguage));
        if (!file.isEmpty()) {
            QByteArray bytes;
            if (!readWholeFile(file, ini::kMaxFileBytes, &bytes) || !ApplyTextLines(decodeUtf8OrCp1250(bytes)))
                return;
        }
    }
    LoadMessages(state);
}

} // namespace quendral
