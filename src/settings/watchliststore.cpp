#include "settings/watchliststore.h"

#include "settings/inifile.h"
#include "settings/storekeys.h"

#include <QDir>

namespace quendral::watchlist {

namespace {

QString slotKey(const char *prefix, qint64 n)
{
    return QLatin1String(prefix) + QString::number(n);
}

} // namespace

bool isStorable(const QString &entry)
{
    return entry.size() <= ini::kMaxValueLength && !entry.endsWith(u' ') && !entry.endsWith(u'\t');
}

QStringList read(const IniFile &file)
{
    // Only the list's slots: a hand-edited section of a million keys costs
    // no more to read, nor to keep, than the list does.
    QStringList names;
    for (int n = 0; n < kSlots; ++n)
        names.append(slotKey("file", n));
    const QHash<QString, QString> values = file.ReadKeys(keys::kFilesSection, names);
    QStringList paths;
    for (const QString &name : std::as_const(names)) {
        // An entry stored with "/" on Windows reads with the system's "\".
        QString path = QDir::toNativeSeparators(values.value(name));
        if (path.isEmpty())
            break;
        paths.append(std::move(path));
    }
    return paths;
}

// Each change is one atomic replace of the file, so a crash leaves the old
// list or the new one, never a mix.
bool write(const IniFile &file, const QStringList &entries)
{
    QList<std::pair<QString, QString>> values;
    for (int n = 0; n < kSlots; ++n)
        values.append({slotKey("file", n), QDir::toNativeSeparators(entries.value(n))});
    return file.WriteIni(keys::kFilesSection, values);
}

bool empty(const IniFile &file)
{
    const qint64 count = read(file).size();
    QList<std::pair<QString, QString>> values;
    for (qint64 n = 0; n < count; ++n)
        values.append({slotKey("File", n), QString()});
    return values.isEmpty() || file.WriteIni(keys::kFilesSection, values);
}

} // namespace quendral::watchlist
