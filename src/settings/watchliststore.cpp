#include "settings/watchliststore.h"

#include "settings/inifile.h"
#include "settings/storekeys.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

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

std::optional<Msg> refusal(const QStringList &entries, const QString &entry)
{
    if (entries.size() >= kMaxEntries)
        return Msg::TooManyFiles;
    if (entry.isEmpty())
        return Msg::EntryEmpty;
    // The settings file keeps a value on one line, and reads drop what
    // surrounds a value: blanks, and a pair of quotation marks.
    if (entry.contains(u'\n') || entry.contains(u'\r'))
        return Msg::EntryLineBreak;
    if (entry.front() == u' ' || entry.front() == u'\t')
        return Msg::EntryBlankLed;
    if (entry.size() >= 2 && (entry.front() == u'"' || entry.front() == u'\'') && entry.back() == entry.front())
        return Msg::EntryQuoted;
    if (!isStorable(entry))
        return Msg::CannotStore;
    if (!QDir::isAbsolutePath(entry))
        return Msg::EntryRelative;
    const QFileInfo file(entry);
    if (entry.endsWith(QDir::separator()) || entry.endsWith(u'/') || file.isDir())
        return Msg::EntryFolder;
    if (!file.dir().exists())
        return Msg::EntryNoFolder;
    // The same place however it is spelt; Windows names ignore letter case.
    const Qt::CaseSensitivity cs = QDir::separator() == u'\\' ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString clean = QDir::cleanPath(entry);
    for (const QString &stored : entries) {
        if (QDir::cleanPath(stored).compare(clean, cs) == 0)
            return Msg::EntryDuplicate;
    }
    return std::nullopt;
}

qsizetype sortedRow(const QStringList &entries, const QString &entry)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    qsizetype row = 0;
    while (row < entries.size() && collator.compare(entries[row], entry) <= 0)
        ++row;
    return row;
}

QStringList merge(const QStringList &loaded, const QStringList &edited, const QStringList &stored)
{
    QStringList merged = stored;
    for (const QString &entry : loaded) {
        if (!edited.contains(entry))
            merged.removeAll(entry);
    }
    for (const QString &entry : edited) {
        if (!loaded.contains(entry) && !merged.contains(entry))
            merged.insert(sortedRow(merged, entry), entry);
    }
    return merged;
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
