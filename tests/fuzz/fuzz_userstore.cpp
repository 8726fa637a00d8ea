// Any bytes as the per-user store: reads never fail, a store that loads is
// saved with every line it does not change kept byte for byte, and a saved
// value reads back.
#include "settings/regfile.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

using namespace quendral;

namespace {

struct Line
{
    QByteArray text;
    QByteArray end; // "" for a last line without one
};

// Split on CR LF, LF and lone CR, as a store's lines are.
QList<Line> linesOf(const QByteArray &bytes)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const qsizetype next = end + (bytes.mid(end, 2) == "\r\n" ? 2 : end < bytes.size() ? 1 : 0);
        lines.append(Line{bytes.mid(start, end - start), bytes.mid(end, next - end)});
        start = next;
    }
    return lines;
}

// The save of "fuzz" may rewrite a line naming it (escapes dropped, in any
// letter case); every other line of the input, with its line end, must be in
// the output in the same order. A last line without an end may gain one.
bool keepsUntouchedLines(const QByteArray &before, const QByteArray &after)
{
    const QList<Line> in = linesOf(before);
    const QList<Line> out = linesOf(after);
    qsizetype at = 0;
    for (const Line &line : in) {
        if (QString::fromUtf8(line.text).remove(u'\\').contains(QLatin1String("fuzz"), Qt::CaseInsensitive))
            continue;
        while (at < out.size() && !(out[at].text == line.text && (line.end.isEmpty() || out[at].end == line.end)))
            ++at;
        if (at++ == out.size())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/quendral-fuzz-XXXXXX"));
    static const bool configured =
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()) && QDir().mkpath(dir.filePath(QStringLiteral("Quendral")));
    if (!configured)
        std::abort();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(reg::userHivePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
    SettingsStore store(dir.path());
    store.GetUserSetting(QStringLiteral("first"));
    reg::Hive hive;
    const bool loaded = hive.load(reg::userHivePath());
    if (store.SaveUserSetting(QStringLiteral("fuzz"), QStringLiteral("1")) != loaded)
        std::abort();
    if (loaded && store.GetUserSetting(QStringLiteral("fuzz")) != QLatin1String("1"))
        std::abort();
    // Excused: UTF-16 stores, whose lines are written again from their text
    // (bytes that do not decode are not kept), and stores of blank lines
    // only, which read as no store and are written anew.
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    const QList<Line> lines = linesOf(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    const bool blank = std::all_of(lines.cbegin(), lines.cend(),
                                   [](const Line &line) { return QString::fromUtf8(line.text).trimmed().isEmpty(); });
    if (loaded && !utf16 && !blank) {
        QFile file(reg::userHivePath());
        if (!file.open(QIODevice::ReadOnly) || !keepsUntouchedLines(bytes, file.readAll()))
            std::abort();
    }
    reg::Hive::parse(QString::fromUtf8(bytes)).serialize();
    return 0;
}
