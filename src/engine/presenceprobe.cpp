#include "engine/presenceprobe.h"

#include "base/logging.h"
#include "engine/openwriters.h"
#include "engine/remotefolder.h"

#include <QHash>
#include <QSet>

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quendral {

namespace {

using presence::Answer;

// The answer of one test of one path, once it has come.
struct Pending
{
    bool done = false;
    Answer answer = Answer::No;
};

// The names of one folder that one call hands to the worker together.
struct FolderTask
{
    const void *job = nullptr;
    int look = 0;
    QString folder;
    QStringList names;
    std::vector<std::shared_ptr<Pending>> answers;
};

// Paths grouped by folder, folders in their first order.
struct Folder
{
    QString folder;
    QStringList names;
};

std::vector<Folder> byFolder(const QStringList &paths)
{
    std::vector<Folder> folders;
    QHash<QString, std::size_t> index;
    for (const QString &path : paths) {
        const auto [folder, name] = presence::splitPath(path);
        const auto it = index.constFind(folder);
        if (it != index.cend()) {
            folders[*it].names.append(name);
            continue;
        }
        index.insert(folder, folders.size());
        folders.push_back({folder, {name}});
    }
    return folders;
}

} // namespace

// Lives as long as the worker: a hung worker may outlast the probe.
struct PresenceProbe::Shared
{
    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable answered;
    std::deque<FolderTask> queue;
    // The first look and the close look (empty when there is none). Set
    // once, before any worker starts.
    std::array<Test, 2> tests;
    // Tests handed to the worker and not yet answered, by look and path. A
    // later call waits for these instead of handing the same path over again.
    std::array<QHash<QString, std::shared_ptr<Pending>>, 2> inFlight;
    bool running = false;
    bool stop = false;

    static void run(const std::shared_ptr<Shared> &self);
};

void PresenceProbe::Shared::run(const std::shared_ptr<Shared> &self)
{
    for (;;) {
        FolderTask task;
        {
            std::unique_lock lock(self->mutex);
            self->work.wait(lock, [&] { return self->stop || !self->queue.empty(); });
            if (self->stop)
                return;
            task = std::move(self->queue.front());
            self->queue.pop_front();
        }
        const std::vector<Answer> found = self->tests[task.look](task.folder, task.names);
        {
            const std::lock_guard lock(self->mutex);
            for (std::size_t i = 0; i < task.answers.size(); ++i) {
                task.answers[i]->done = true;
                task.answers[i]->answer = i < found.size() ? found[i] : Answer::No;
                self->inFlight[task.look].remove(task.folder + task.names[qsizetype(i)]);
            }
        }
        self->answered.notify_all();
    }
}

PresenceProbe::PresenceProbe()
    : PresenceProbe(
          presence::arrivedIn, std::chrono::milliseconds(2000), {},
          [progress = std::make_shared<openwriters::Progress>()](const QString &folder, const QStringList &names) {
              return presence::foundIn(folder, names, progress.get());
          })
{
}

PresenceProbe::PresenceProbe(Test test, std::chrono::milliseconds limit, MayBlock mayBlock, Test closeLook)
    : m_limit(limit)
    , m_mayBlock(std::move(mayBlock))
    , m_shared(std::make_shared<Shared>())
{
    m_shared->tests = {std::move(test), std::move(closeLook)};
    if (!m_mayBlock) {
        m_mayBlock = [folders = std::make_shared<RemoteFolders>()](const QString &folder) {
            return folders->mayBlock(folder);
        };
    }
}

PresenceProbe::~PresenceProbe()
{
    if (!m_shared)
        return;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->work.notify_all();
}

bool PresenceProbe::allFound(const QStringList &paths)
{
    return !paths.isEmpty() && settle(ruleMet(paths, true), paths);
}

bool PresenceProbe::anyFound(const QStringList &paths)
{
    return settle(ruleMet(paths, false), paths);
}

bool PresenceProbe::arrived(const QString &path)
{
    return someAnswer({path}, Answer::Yes, First, std::chrono::steady_clock::now() + m_limit).hit;
}

PresenceProbe::Rule PresenceProbe::ruleMet(const QStringList &paths, bool all)
{
    const auto deadline = std::chrono::steady_clock::now() + m_limit;
    bool unsure = false;
    bool unfinished = false;
    const auto open = [&] { return unfinished ? Rule::Unfinished : Rule::Unsure; };
    for (const Look look : {First, Close}) {
        if (!m_shared->tests[look])
            continue;
        // All: no path answers No. Any: some path answers Yes. Unsure and
        // Unfinished answers leave the rule open unless a No (all) settles
        // it.
        const Seen seen = someAnswer(paths, all ? Answer::No : Answer::Yes, look, deadline);
        unsure = unsure || seen.unsure;
        unfinished = unfinished || seen.unfinished;
        if (seen.hit == all)
            return all || !(unsure || unfinished) ? Rule::NotMet : open();
    }
    return all && (unsure || unfinished) ? open() : Rule::Met;
}

bool PresenceProbe::settle(Rule rule, const QStringList &paths)
{
    // Not through every process yet: no answer, and no call counted either
    // way.
    if (rule == Rule::Unfinished) {
        qCDebug(lcMonitor) << "not yet: the look for writers of" << paths << "goes on at the next call";
        return false;
    }
    if (rule != Rule::Unsure) {
        m_unsureCalls = 0;
        return rule == Rule::Met;
    }
    if (++m_unsureCalls < kUnsureLimit) {
        qCDebug(lcMonitor) << "not yet: cannot tell whether" << paths << "are still being written" << m_unsureCalls
                           << "of" << kUnsureLimit;
        return false;
    }
    // Staying at the limit until an answer is settled: on a system where
    // writers cannot be seen, waiting again for every call would gain nothing.
    m_unsureCalls = kUnsureLimit;
    qCWarning(lcMonitor) << "could not tell" << kUnsureLimit << "times in a row whether" << paths
                         << "are still being written; counting them as complete";
    return true;
}

bool PresenceProbe::startWorker()
{
    if (m_shared->running)
        return true;
    try {
        // Detached: a worker held by a dead mount must not hold the program
        // at exit. It keeps its own share of the state, the tests with it.
        std::thread(&Shared::run, m_shared).detach();
    } catch (const std::system_error &) {
        // Out of threads: the paths stay unanswered, and the next call tries
        // again.
        return false;
    }
    m_shared->running = true;
    return true;
}

PresenceProbe::Seen PresenceProbe::someAnswer(const QStringList &paths, Answer answer, Look look,
                                              std::chrono::steady_clock::time_point deadline)
{
    QStringList exact;
    QStringList wildcards;
    QSet<QString> seen;
    for (const QString &path : paths) {
        if (!seen.contains(path)) {
            seen.insert(path);
            (presence::hasWildcard(path) ? wildcards : exact).append(path);
        }
    }
    const Seen first = someAnswerIn(exact, answer, look, deadline);
    if (first.hit)
        return first;
    const Seen then = someAnswerIn(wildcards, answer, look, deadline);
    return {then.hit, first.unsure || then.unsure, first.unfinished || then.unfinished};
}

PresenceProbe::Seen PresenceProbe::someAnswerIn(const QStringList &paths, Answer answer, Look look,
                                                std::chrono::steady_clock::time_point deadline)
{
    if (paths.isEmpty())
        return {};
    std::vector<Folder> local;
    std::vector<std::shared_ptr<Pending>> handedOver;
    const int job = 0; // identifies this call's tasks in the shared queue
    {
        const std::lock_guard lock(m_shared->mutex);
        for (Folder &folder : byFolder(paths)) {
            if (!m_mayBlock(folder.folder)) {
                local.push_back(std::move(folder));
                continue;
            }
            FolderTask task{&job, look, folder.folder, {}, {}};
            for (const QString &name : folder.names) {
                std::shared_ptr<Pending> &pending = m_shared->inFlight[look][folder.folder + name];
                if (!pending) {
                    pending = std::make_shared<Pending>();
                    task.names.append(name);
                    task.answers.push_back(pending);
                }
                handedOver.push_back(pending);
            }
            if (!task.names.isEmpty())
                m_shared->queue.push_back(std::move(task));
        }
    }
    if (!handedOver.empty() && startWorker())
        m_shared->work.notify_one();

    // The worker runs while the local folders are tested here.
    Seen seen;
    const auto take = [&](Answer given) {
        seen.hit = seen.hit || given == answer;
        seen.unsure = seen.unsure || given == Answer::Unsure;
        seen.unfinished = seen.unfinished || given == Answer::Unfinished;
    };
    for (const Folder &folder : local) {
        for (const Answer given : m_shared->tests[look](folder.folder, folder.names))
            take(given);
        if (seen.hit)
            break;
    }

    std::unique_lock lock(m_shared->mutex);
    bool complete = true;
    const auto settled = [&] {
        complete = true;
        for (const auto &pending : handedOver) {
            if (pending->done)
                take(pending->answer);
            complete = complete && pending->done;
        }
        return seen.hit || complete;
    };
    if (!seen.hit)
        m_shared->answered.wait_until(lock, deadline, settled);

    // Tasks the worker has not taken yet are dropped, so that the next call
    // hands them over again.
    for (auto it = m_shared->queue.begin(); it != m_shared->queue.end();) {
        if (it->job != &job) {
            ++it;
            continue;
        }
        for (const QString &name : it->names)
            m_shared->inFlight[look].remove(it->folder + name);
        it = m_shared->queue.erase(it);
    }

    // Whatever is left unanswered counts as No.
    seen.hit = seen.hit || (answer == Answer::No && !complete);
    return seen;
}

} // namespace quendral
