#pragma once

#include <QDateTime>
#include <QTime>

namespace quendral {

// A time of day to finish by, on the wall clock: the first such minute after
// monitoring starts. It is due at the first check at or after that moment,
// however the clock got there (a change of the clock, a resume from sleep),
// and it is due once. A minute the clocks skip is due at the first minute
// after the gap, a minute they show twice at its first showing; a deadline
// with no moment at all (an invalid start) is never due.
class Deadline
{
public:
    Deadline(const QDateTime &start, QTime at);

    const QDateTime &due() const { return m_due; }
    // True at the first call at or after the due moment, false ever after.
    bool fire(const QDateTime &now);

private:
    QDateTime m_due;
    bool m_fired = false;
};

} // namespace quendral
