#include "lang/language.h"

#include "lang/messages.h"
#include "lang/property.h"
#include "lang/qttranslation.h"
#include "settings/appstate.h"
#include "settings/atomicfile.h"
#include "settings/cp1250.h"
#include "settings/inifile.h"
#include "settings/storekeys.h"
#include "settings/userdata.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>

namespace quendral {

namespace {

// Handles one text line; false when its assignment failed.
bool applyTextLine(QStringView line, QWidget *only)
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
    for (QWidget *window : loadedWindows(parts.at(0).toString())) {
        if (!only || window == only)
            windows.append(window);
    }
    for (const QPointer<QWidget> &window : std::as_const(windows)) {
        if (!window)
            continue;
        QObject *target = onControl ? findControl(window, parts.at(1).toString()) : window.data();
        if (target && !setPropertyByName(target, !onControl, property, valueText))
            return false;
    }
    return true;
}

// Where CR LF ends the lines, a lone CR or LF is an ordinary character (a
// caption can hold a line break); a file edited where LF (or CR) ends lines
// is split there. One line at a time: a large file costs its size, once.
template <typename Text, typename Apply> bool forEachLine(const Text &text, Apply apply)
{
    const auto separator = [&](const char *s) {
        if constexpr (std::is_same_v<Text, QByteArray>)
            return QByteArray(s);
        else
            return QString::fromLatin1(s);
    };
    Text end = separator("\r\n");
    if (!text.contains(end))
        end = text.contains(separator("\n")) || !text.contains(separator("\r")) ? separator("\n") : separator("\r");
    for (qsizetype start = 0; start < text.size();) {
        qsizetype stop = text.indexOf(end, start);
        if (stop < 0)
            stop = text.size();
        if (stop > start && !apply(text.mid(start, stop - start)))
            return false;
        start = stop + end.size();
    }
    return true;
}

} // namespace

QString languageFilePath(const AppState &state, const QString &value)
{
    return languageFile(state.ProgramFolder(), value);
}

bool ApplyTextLines(const QString &text, QWidget *only)
{
    return forEachLine(text, [only](const QString &line) { return applyTextLine(line, only); });
}

bool ApplyTextFile(const QByteArray &bytes, QWidget *only)
{
    // Each line decoded on its own, so one stray byte changes no other text.
    return forEachLine(bytes, [only](const QByteArray &line) { return applyTextLine(decodeUtf8OrCp1250(line), only); });
}

void LoadMessages(AppState &state)
{
    const QString file =
        languageFilePath(state, state.store.settingsFile().ReadIni(keys::kOptionsSection, keys::kLanguage));
    for (auto [key, text] : messageTexts(file).asKeyValueRange())
        state.messages.insert(key, text);
}

void LoadLanguage(AppState &state, QWidget *only)
{
    // Until a pass completes, the built-in texts stand in.
    if (state.messages.isEmpty())
        setBuiltInMessages(state);

    const IniFile &settings = state.store.settingsFile();
    const QString defaultName = systemLanguageFileName();
    if (!QFileInfo::exists(settings.path()) ||
        languageFilePath(state, settings.ReadIni(keys::kOptionsSection, keys::kLanguage)).isEmpty()) {
        if (!languageFilePath(state, defaultName).isEmpty())
            settings.WriteIni(keys::kOptionsSection, keys::kLanguage, defaultName);
    }

    const QString file = QFileInfo::exists(settings.path())
                             ? languageFilePath(state, settings.ReadIni(keys::kOptionsSection, keys::kLanguage))
                             : QString();
    // Qt's texts first, so that the file's own captions win; without a file
    // the windows keep their built-in Polish.
    useQtTranslation(state.ProgramFolder(), file.isEmpty() ? QStringLiteral("pl") : qtLanguageFor(file));
    if (!file.isEmpty()) {
        QByteArray bytes;
        if (!readWholeFile(file, ini::kMaxFileBytes, &bytes) || !ApplyTextFile(bytes, only))
            return;
    }
    LoadMessages(state);
    // Every window puts back what it set at run time (a notice's reason, the
    // count), in the new language's texts.
    if (!only) {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &change);
        }
    }
}

} // namespace quendral
