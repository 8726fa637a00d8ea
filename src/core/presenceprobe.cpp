#include "core/presenceprobe.h"

#include <QHash>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quendral {

namespace {

// Enough to overlap slow folders; more would only crowd two cores.
constexpr std::size_t kWorkers = 4;

// The answer of one test of one path, once it has come.
struct Answer
{
    bool done = false;
    bool found = false;
};

} // namespace

// Lives as long as any worker: a hung worker may outlast the probe.
struct PresenceProbe::Shared
{
    std::mutex mutex;
    std::condition_variable answered;
    // Tests started and not yet answered, by path. A later call waits for
    // these instead of starting a second test of the same path.
    QHash<QString, std::shared_ptr<Answer>> inFlight;
};

// The names of one folder that one call tests together.
struct FolderTask
{
    QString folder;
    QStringList names;
    std::vector<std::shared_ptr<Answer>> answers;
};

struct PresenceProbe::Job
{
    // One answer per distinct path, some shared with earlier calls.
    std::vector<std::shared_ptr<Answer>> answers;
    // The tests this call starts: taken in order by the workers.
    std::vector<FolderTask> toTest;
    std::size_t next = 0;
    bool stop = false;
};

PresenceProbe::PresenceProbe(Test test, std::chrono::milliseconds limit)
    : m_test(std::move(test))
    , m_limit(limit)
    , m_shared(std::make_shared<Shared>())
{
}

bool PresenceProbe::allFound(const QStringList &paths)
{
    return !paths.isEmpty() && !someAnswer(paths, false);
}

bool PresenceProbe::anyFound(const QStringList &paths)
{
    return someAnswer(paths, true);
}

void PresenceProbe::work(const std::shared_ptr<Shared> &shared, const std::shared_ptr<Job> &job, const Test &test)
{
    for (;;) {
        FolderTask task;
        {
            const std::lock_guard lock(shared->mutex);
            if (job->stop || job->next == job->toTest.size())
                return;
            task = job->toTest[job->next++];
        }
        const std::vector<bool> found = test(task.folder, task.names);
        {
            const std::lock_guard lock(shared->mutex);
            for (std::size_t i = 0; i < task.answers.size(); ++i) {
                task.answers[i]->done = true;
                task.answers[i]->found = i < found.size() && found[i];
                shared->inFlight.remove(task.folder + task.names[qsizetype(i)]);
            }
        }
        shared->answered.notify_all();
    }
}

bool PresenceProbe::someAnswer(const QStringList &paths, bool answer)
{
    const auto deadline = std::chrono::steady_clock::now() + m_limit;
    auto job = std::make_shared<Job>();

    std::unique_lock lock(m_shared->mutex);
    QHash<QString, std::size_t> taskOfFolder;
    for (const QString &path : paths) {
        // A path already being tested, by an earlier call or earlier in this
        // list, is waited for rather than tested again.
        std::shared_ptr<Answer> &pending = m_shared->inFlight[path];
        if (!pending) {
            pending = std::make_shared<Answer>();
            const auto [folder, name] = presence::splitPath(path);
            if (!taskOfFolder.contains(folder)) {
                taskOfFolder.insert(folder, job->toTest.size());
                job->toTest.push_back(FolderTask{folder, {}, {}});
            }
            FolderTask &task = job->toTest[taskOfFolder.value(folder)];
            task.names.append(name);
            task.answers.push_back(pending);
        }
        job->answers.push_back(pending);
    }

    const std::size_t workers = std::min(kWorkers, job->toTest.size());
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            std::thread(&PresenceProbe::work, m_shared, job, m_test).detach();
        } catch (const std::system_error &) {
            // Out of threads: the workers already started share the paths;
            // with none at all every path stays unanswered.
            break;
        }
    }

    bool hit = false;
    bool complete = false;
    const auto settled = [&] {
        hit = false;
        complete = true;
        for (const auto &pending : job->answers) {
            hit = hit || (pending->done && pending->found == answer);
            complete = complete && pending->done;
        }
        return hit || complete;
    };
    m_shared->answered.wait_until(lock, deadline, settled);
    settled();

    // Paths no worker has taken yet are dropped, so that the next call tests them.
    job->stop = true;
    for (std::size_t i = job->next; i < job->toTest.size(); ++i) {
        for (const QString &name : job->toTest[i].names)
            m_shared->inFlight.remove(job->toTest[i].folder + name);
    }

    // Whatever is left unanswered counts as not found.
    return hit || (!answer && !complete);
}

} // namespace quendral
