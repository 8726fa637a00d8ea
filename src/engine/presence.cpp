#include "engine/presence.h"

#include "base/logging.h"
#include "engine/foldernames.h"
#include "engine/openwriters.h"

#include <QDir>
#include <QSet>

#include <chrono>
#include <optional>

namespace quendral::presence {

namespace {

bool visibleName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(u'.');
}

bool nameHasWildcard(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

// What download programs put beside a file they are still writing: Firefox
// ".part", Chromium ".crdownload", aria2 its ".aria2" control file (kept
// until the download is complete), qBittorrent ".!qB".
constexpr QLatin1String kPartialMarkers[] = {QLatin1String(".part"), QLatin1String(".crdownload"),
                                             QLatin1String(".aria2"), QLatin1String(".!qB")};

// How long one folder's test may spend looking for writers: well inside the
// presence probe's bound. The leases take a fraction of it; a look into /proc
// that runs out of it answers Unsure.
constexpr std::chrono::milliseconds kWriterScanBudget(1000);

bool stillDownloading(const QString &name)
{
    for (const QLatin1String marker : kPartialMarkers) {
        if (name.endsWith(marker, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A regular file, or a link that leads to one, holding at least one byte.
bool filledRegularFile(const QString &path)
{
    return foldernames::regularFileSize(path).value_or(0) > 0;
}

// Marks each unanswered wildcard name that some file of the folder answers,
// and puts that file's name into `files`. Names in `busy` (being written) are
// passed over. Names are compared before anything costs a stat, and the
// reading stops once every pattern has its file.
void searchFolder(const QString &folder, const QStringList &names, const QSet<QString> &busy,
                  std::vector<bool> &answers, std::vector<QString> &files)
{
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!answers[i] && visibleName(names[i]) && nameHasWildcard(names[i]))
            open.push_back(i);
    }
    if (open.empty())
        return;
    // Every name, whatever its bytes; folders, dangling links and the rest
    // fail the test for a filled regular file.
    const QStringList entries = foldernames::namesIn(folder, false);
    const QString prefix = folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
    for (auto entry = entries.cbegin(); !open.empty() && entry != entries.cend(); ++entry) {
        const QString &name = *entry;
        if (stillDownloading(name) || busy.contains(name))
            continue;
        std::optional<bool> filled;
        for (auto it = open.begin(); it != open.end();) {
            if (wildcardMatch(names[*it], name)) {
                if (!filled)
                    filled = filledRegularFile(prefix + name) && !hasPartialMarker(prefix + name);
                if (*filled) {
                    answers[*it] = true;
                    files[*it] = name;
                    it = open.erase(it);
                    continue;
                }
            }
            ++it;
        }
    }
}

// Answers each name without the look for open writers, and puts into `files`
// the file that answers each name.
std::vector<bool> arrive(const QString &folder, const QStringList &names, std::vector<QString> &files)
{
    std::vector<bool> answers(names.size(), false);
    files.assign(names.size(), QString());
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (visibleName(names[i]) && !nameHasWildcard(names[i])) {
            const QString path = folder + names[i];
            answers[i] = filledRegularFile(path) && !hasPartialMarker(path);
            files[i] = names[i];
        }
    }
    searchFolder(folder, names, {}, answers, files);
    return answers;
}

} // namespace

bool hasPartialMarker(const QString &path)
{
    for (const QLatin1String marker : kPartialMarkers) {
        if (foldernames::exists(path + marker))
            return true;
    }
    return false;
}

std::pair<QString, QString> splitPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return {path.left(slash + 1), path.mid(slash + 1)};
}

bool hasWildcard(const QString &path)
{
    return nameHasWildcard(splitPath(path).second);
}

bool wildcardMatch(const QString &pattern, const QString &name)
{
    // A folder search runs this for every name against every pattern, hence
    // the plain pointers.
    const QChar *p = pattern.constData();
    const QChar *n = name.constData();

    // What follows the last "*" has a fixed length and must end the name (a
    // pattern without "*" must be the whole name). Testing it first settles
    // most names of a folder in a step or two, from the extension inwards.
    const QChar *tail = p + pattern.size();
    while (tail != p && tail[-1] != u'*')
        --tail;
    const qsizetype tailSize = pattern.size() - (tail - p);
    if (tailSize > name.size() || (tail == p && tailSize != name.size()))
        return false;
    for (qsizetype i = 1; i <= tailSize; ++i) {
        const QChar wanted = tail[tailSize - i];
        if (wanted != u'?' && wanted != n[name.size() - i])
            return false;
    }

    // The rest, up to and including the last "*", against the rest of the
    // name: greedy matching with one back-tracking point, the last "*" seen.
    const QChar *const pEnd = tail;
    const QChar *const nEnd = n + name.size() - tailSize;
    const QChar *star = nullptr;
    const QChar *resume = nullptr;
    while (n != nEnd) {
        if (p != pEnd && (*p == u'?' || *p == *n)) {
            ++p;
            ++n;
        } else if (p != pEnd && *p == u'*') {
            star = p++;
            resume = n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p != pEnd && *p == u'*')
        ++p;
    return p == pEnd;
}

std::vector<Answer> arrivedIn(const QString &folder, const QStringList &names)
{
    std::vector<QString> files;
    std::vector<Answer> answers;
    for (const bool there : arrive(folder, names, files))
        answers.push_back(there ? Answer::Yes : Answer::No);
    return answers;
}

QStringList matchedFiles(const QStringList &paths)
{
    QStringList files;
    QSet<QString> seen;
    for (const QString &path : paths) {
        const auto [folder, pattern] = splitPath(path);
        if (!nameHasWildcard(pattern)) {
            if (!seen.contains(path)) {
                seen.insert(path);
                files.append(path);
            }
            continue;
        }
        if (!visibleName(pattern))
            continue;
        QStringList names = foldernames::namesIn(folder.isEmpty() ? QStringLiteral(".") : folder, false);
        names.sort();
        for (const QString &name : std::as_const(names)) {
            const QString file = folder + name;
            if (seen.contains(file) || stillDownloading(name) || !wildcardMatch(pattern, name) ||
                !filledRegularFile(file) || hasPartialMarker(file))
                continue;
            seen.insert(file);
            files.append(file);
        }
    }
    return files;
}

std::vector<Answer> foundIn(const QString &folder, const QStringList &names, openwriters::Progress *progress)
{
    std::vector<QString> files;
    std::vector<bool> there = arrive(folder, names, files);
    std::vector<bool> unsure(there.size(), false);
    std::vector<bool> unfinished(there.size(), false);
    QSet<QString> busy;

    // Open writers are looked for only among the files that count as present
    // so far: a folder where nothing has arrived costs no look for them. A
    // pattern whose file is being written, or may be, may have another file
    // that is not; each round looks only at files not looked at before.
    const auto deadline = std::chrono::steady_clock::now() + kWriterScanBudget;
    QSet<QString> looked;
    for (;;) {
        QStringList present;
        for (std::size_t i = 0; i < there.size(); ++i) {
            if (there[i] && !looked.contains(files[i])) {
                looked.insert(files[i]);
                present.append(folder + files[i]);
            }
        }
        if (present.isEmpty())
            break;
        const openwriters::Writers writers = openwriters::writing(present, deadline, progress);
        bool searchAgain = false;
        for (std::size_t i = 0; i < there.size(); ++i) {
            const QString path = folder + files[i];
            const auto why = writers.unsure.constFind(path);
            const auto notYet = writers.unfinished.constFind(path);
            if (!there[i] || (!writers.writing.contains(path) && why == writers.unsure.cend() &&
                              notYet == writers.unfinished.cend()))
                continue;
            if (why != writers.unsure.cend()) {
                qCDebug(lcMonitor) << "cannot tell whether" << path << "is still being written:" << *why;
                unsure[i] = true;
            }
            if (notYet != writers.unfinished.cend()) {
                qCDebug(lcMonitor) << "not yet known whether" << path << "is still being written:" << *notYet;
                unfinished[i] = true;
            }
            there[i] = false;
            busy.insert(files[i]);
            searchAgain = searchAgain || nameHasWildcard(names[qsizetype(i)]);
        }
        if (!searchAgain)
            break;
        searchFolder(folder, names, busy, there, files);
    }
    std::vector<Answer> answers;
    for (std::size_t i = 0; i < there.size(); ++i)
        answers.push_back(there[i]        ? Answer::Yes
                          : unfinished[i] ? Answer::Unfinished
                          : unsure[i]     ? Answer::Unsure
                                          : Answer::No);
    return answers;
}

bool found(const QString &path)
{
    const auto [folder, name] = splitPath(path);
    return foundIn(folder, {name}).front() == Answer::Yes;
}

bool atWork(const QString &folder, openwriters::Progress *progress)
{
    QStringList files;
    const QDir dir(folder);
    for (const QString &name : foldernames::namesIn(folder, true)) {
        const QString path = dir.filePath(name);
        if (stillDownloading(name) && foldernames::regularFileSize(path))
            return true;
        files.append(path);
    }
    const auto deadline = std::chrono::steady_clock::now() + kWriterScanBudget;
    const openwriters::Writers writers = openwriters::writing(files, deadline, progress);
    return !writers.writing.isEmpty() || !writers.unfinished.isEmpty();
}

} // namespace quendral::presence
