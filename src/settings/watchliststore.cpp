#include "settings/watchliststore.h"

#include "settings/inifile.h"
#include "settings/storekeys.h"

namespace quendral::watchlist {

namespace {

QString slotKey(const char *prefix, qint64 n)
{
    return QLatin1String(prefix) + QString::number(n);
}

} // namespace

QStringList read(const IniFile &file)
{
    QStringList paths;
    // Counted wide: a hand-edited file may hold more entries than a list does.
    for (qint64 n = 0;; ++n) {
        QString path = file.ReadIni(keys::kFilesSection, slotKey("file", n));
        if (path.isEmpty())
            return paths;
        paths.append(std::move(path));
    }
}

bool write(const IniFile &file, const QStringList &entries)
{
    bool saved = true;
    for (int n = 0; n < kSlots; ++n)
        saved = file.WriteIni(keys::kFilesSection, slotKey("file", n), entries.value(n)) && saved;
    return saved;
}

void empty(const IniFile &file)
{
    const qint64 count = read(file).size();
    for (qint64 n = 0; n < count; ++n)
        file.WriteIni(keys::kFilesSection, slotKey("File", n), QString());
}

} // namespace quendral::watchlist
