#include "core/presence.h"

#include <QDirIterator>
#include <QFileInfo>

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

bool stillDownloading(const QString &name)
{
    return name.endsWith(QLatin1String(".part"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".crdownload"), Qt::CaseInsensitive);
}

// A regular file, or a link that leads to one, holding at least one byte.
bool filledRegularFile(const QFileInfo &file)
{
    return file.isFile() && file.size() > 0;
}

// Marks each wildcard name that some file of the folder answers. Names are
// compared before anything costs a stat, and the reading stops once every
// pattern has its file.
void searchFolder(const QString &folder, const QStringList &names, std::vector<bool> &answers)
{
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (visibleName(names[i]) && nameHasWildcard(names[i]))
            open.push_back(i);
    }
    if (open.empty())
        return;
    // QDir::Files leaves out folders, hidden names and dangling links.
    QDirIterator entries(folder.isEmpty() ? QStringLiteral(".") : folder, QDir::Files);
    while (!open.empty() && entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (stillDownloading(name))
            continue;
        std::optional<bool> filled;
        for (auto it = open.begin(); it != open.end();) {
            if (wildcardMatch(names[*it], name)) {
                if (!filled)
                    filled = filledRegularFile(entries.fileInfo());
                if (*filled) {
                    answers[*it] = true;
                    it = open.erase(it);
                    continue;
                }
            }
            ++it;
        }
    }
}

} // namespace

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
    // Greedy matching with one back-tracking point, the last "*" seen. A
    // folder search runs this for every name against every pattern, hence the
    // plain pointers.
    const QChar *p = pattern.constData();
    const QChar *const pEnd = p + pattern.size();
    const QChar *n = name.constData();
    const QChar *const nEnd = n + name.size();
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

std::vector<bool> foundIn(const QString &folder, const QStringList &names)
{
    std::vector<bool> answers(names.size(), false);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (visibleName(names[i]) && !nameHasWildcard(names[i]))
            answers[i] = filledRegularFile(QFileInfo(folder + names[i]));
    }
    searchFolder(folder, names, answers);
    return answers;
}

bool found(const QString &path)
{
    const auto [folder, name] = splitPath(path);
    return foundIn(folder, {name}).front();
}

} // namespace quendral::presence
