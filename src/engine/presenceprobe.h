#pragma once

#include "engine/presence.h"

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
//
// When the rule would be met but for names the close look could not settle
// (Unsure: no writer seen, but some process could not be read), the answer is
// "not yet" and the next call asks again. After kUnsureLimit such calls in a
// row the probe warns and counts those names as found, so that a system where
// writers cannot be seen still completes; any settled answer starts the count
// afresh. A look that ran out of time before every process (Unfinished) is
// "not yet" and counts neither way: the tick's probe goes on with it at the
// next call, where it stopped.
class PresenceProbe
{
public:
    // Answers, in order, for each name in the folder.
    using Test = std::function<std::vector<presence::Answer>(const QString &folder, const QStringList &names)>;
    // Whether testing in `folder` may block the caller.
    using MayBlock = std::function<bool(const QString &folder)>;

    // The tick's probe: a first look at which files have arrived, and the
    // look for open writers (leases, /proc) only once the first look meets the
    // rule, so that a list still incomplete costs no more than the file
    // system's answers.
    PresenceProbe();
    // `test` alone answers, unless a `closeLook` is given: that one is then
    // asked only once `test` meets the rule, and its answer stands. Without
    // `mayBlock`, the mount table decides. Both looks together stay within
    // `limit`.
    explicit PresenceProbe(Test test, std::chrono::milliseconds limit = std::chrono::milliseconds(2000),
                           MayBlock mayBlock = {}, Test closeLook = {});
    ~PresenceProbe();
    PresenceProbe(PresenceProbe &&) noexcept = default;
    PresenceProbe &operator=(PresenceProbe &&) = delete;

    // Calls in a row that may answer "not yet" only for want of a settled
    // answer: five minutes of ticks every 30 seconds.
    static constexpr int kUnsureLimit = 10;

    // Every path found (false for no paths).
    bool allFound(const QStringList &paths);
    // At least one path found.
    bool anyFound(const QStringList &paths);
    // Whether the file is there, without the look for writers: for a file that
    // no download writes (the completion sound), which may well be another
    // user's whose writers cannot be told.
    bool arrived(const QString &path);

private:
    struct Shared;
    enum Look { First, Close };
    enum class Rule { NotMet, Met, Unsure, Unfinished };
    // Of the paths asked: whether some gave the answer looked for, and
    // whether some gave Unsure or Unfinished.
    struct Seen
    {
        bool hit = false;
        bool unsure = false;
        bool unfinished = false;
    };

    // Whether every path (`all`) or some path is found, by each look in turn.
    Rule ruleMet(const QStringList &paths, bool all);
    // The rule's answer, with Unsure turned into "not yet" up to kUnsureLimit
    // calls in a row, and Unfinished into "not yet" without counting.
    bool settle(Rule rule, const QStringList &paths);
    // Whether some path gives `answer` to `look`, an unanswered path giving
    // No. Stops testing as soon as a path gives `answer`.
    Seen someAnswer(const QStringList &paths, presence::Answer answer, Look look,
                    std::chrono::steady_clock::time_point deadline);
    Seen someAnswerIn(const QStringList &paths, presence::Answer answer, Look look,
                      std::chrono::steady_clock::time_point deadline);
    bool startWorker();

    std::chrono::milliseconds m_limit;
    MayBlock m_mayBlock;
    std::shared_ptr<Shared> m_shared;
    // Calls in a row whose answer was Unsure.
    int m_unsureCalls = 0;
};

} // namespace quendral
