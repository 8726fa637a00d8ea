#pragma once

#include "core/presence.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

namespace quendral {

// The tick's presence test with a bound. Folders on local disks are tested
// right here; folders whose file system may block (network mounts) go to one
// worker thread that lives as long as the probe, while the caller waits at
// most `limit`. A path that has not answered by then counts as not found, so
// a folder on an unreachable mount costs the tick about two seconds instead of
// freezing the program. A path whose test is still running from an earlier
// call is not tested again: the call waits for that test's answer, so hung
// tests never pile up.
//
// Exact names are tested before wildcards, folder by folder: a stat costs
// less than a folder listing, and for the All rule a missing exact name
// settles the answer before any folder is listed.
class PresenceProbe
{
public:
    // Answers, in order, whether each name is found in the folder.
    using Test = std::function<std::vector<bool>(const QString &folder, const QStringList &names)>;
    // Whether testing in `folder` may block the caller.
    using MayBlock = std::function<bool(const QString &folder)>;

    // Without `mayBlock`, the mount table decides.
    explicit PresenceProbe(Test test = presence::foundIn,
                           std::chrono::milliseconds limit = std::chrono::milliseconds(2000), MayBlock mayBlock = {});
    ~PresenceProbe();
    PresenceProbe(PresenceProbe &&) noexcept = default;
    PresenceProbe &operator=(PresenceProbe &&) = delete;

    // Every path found (false for no paths).
    bool allFound(const QStringList &paths);
    // At least one path found.
    bool anyFound(const QStringList &paths);

private:
    struct Shared;

    // Whether some path gives `answer`, an unanswered path giving "not found".
    // Stops testing as soon as the result is known.
    bool someAnswer(const QStringList &paths, bool answer);
    bool someAnswerIn(const QStringList &paths, bool answer, std::chrono::steady_clock::time_point deadline);
    bool startWorker();

    Test m_test;
    std::chrono::milliseconds m_limit;
    MayBlock m_mayBlock;
    std::shared_ptr<Shared> m_shared;
};

} // namespace quendral
