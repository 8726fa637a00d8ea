#pragma once

#include "core/presence.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

namespace quendral {

// The tick's presence test with a bound: the paths are tested on worker
// threads, one folder per task and folders side by side, while the caller
// waits at most `limit`. A path that has not
// answered by then counts as not found, so a folder on an unreachable network
// mount costs the tick about two seconds instead of freezing the program. A
// path whose test is still running from an earlier call is not tested again:
// the call waits for that test's answer, so hung tests never pile up threads.
class PresenceProbe
{
public:
    // Answers, in order, whether each name is found in the folder.
    using Test = std::function<std::vector<bool>(const QString &folder, const QStringList &names)>;

    explicit PresenceProbe(Test test = presence::foundIn,
                           std::chrono::milliseconds limit = std::chrono::milliseconds(2000));

    // Every path found (false for no paths).
    bool allFound(const QStringList &paths);
    // At least one path found.
    bool anyFound(const QStringList &paths);

private:
    struct Shared;
    struct Job;

    // Whether some path gives `answer`, an unanswered path giving "not found".
    // Stops testing as soon as the result is known.
    bool someAnswer(const QStringList &paths, bool answer);
    static void work(const std::shared_ptr<Shared> &shared, const std::shared_ptr<Job> &job, const Test &test);

    Test m_test;
    std::chrono::milliseconds m_limit;
    std::shared_ptr<Shared> m_shared;
};

} // namespace quendral
