#include "settings/settingsstore.h"

#include "settings/userdata.h"

#include <QDir>

namespace quendral {

QString joinPath(const QString &folder, const QString &name)
{
    // Qt hands out paths with "/"; what is shown and stored has the system's separator.
    const QString native = QDir::toNativeSeparators(folder);
    const QChar separator = QDir::separator();
    return native.endsWith(separator) ? native + name : native + separator + name;
}

double numberAtStart(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

SettingsStore::SettingsStore(const QString &programFolder)
    : m_programFolder(programFolder.endsWith(QDir::separator()) ? programFolder : programFolder + QDir::separator())
    , m_settingsFile(settingsFileFor(m_programFolder))
{
}

} // namespace quendral
