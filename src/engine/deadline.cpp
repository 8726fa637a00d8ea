#include "engine/deadline.h"

#include "base/logging.h"

#include <QTimeZone>

namespace quendral {

namespace {

// The moment the clocks of `zone` show `minute` on `day`. A minute the clocks
// skip (the night summer time begins) maps to the first minute after the gap,
// a minute they show twice (the night it ends) to its first showing.
QDateTime onTheWallClock(const QDate &day, QTime minute, const QTimeZone &zone)
{
    const QDateTime asUtc(day, minute, QTimeZone::utc());
    // The offsets in force a day either side cover any change of that night.
    const int offsetBefore = zone.offsetFromUtc(asUtc.addDays(-1));
    const int offsetAfter = zone.offsetFromUtc(asUtc.addDays(1));
    QDateTime first;
    for (const int offset : {offsetBefore, offsetAfter}) {
        const QDateTime moment = asUtc.addSecs(-offset);
        if (zone.offsetFromUtc(moment) == offset && (!first.isValid() || moment < first))
            first = moment;
    }
    if (first.isValid() || offsetBefore == offsetAfter)
        return first.toTimeZone(zone);
    // Skipped: the change that opens the gap ends it too.
    const QDateTime change = zone.nextTransition(asUtc.addSecs(-qMax(offsetBefore, offsetAfter))).atUtc;
    if (!change.isValid())
        return {};
    const qint64 intoMinute = change.toSecsSinceEpoch() % 60;
    return change.addSecs(intoMinute ? 60 - intoMinute : 0).toTimeZone(zone);
}

QDateTime nextAt(const QDateTime &start, QTime at)
{
    if (!start.isValid() || !at.isValid())
        return {};
    const QTime minute(at.hour(), at.minute());
    const QTimeZone zone = start.timeZone();
    const QDate today = start.toTimeZone(zone).date();
    const QDateTime due = onTheWallClock(today, minute, zone);
    // Started at the very minute or after it: tomorrow's.
    if (due.isValid() && due > start)
        return due;
    return onTheWallClock(today.addDays(1), minute, zone);
}

} // namespace

Deadline::Deadline(const QDateTime &start, QTime at)
    : m_due(nextAt(start, at))
{
    if (!m_due.isValid())
        qCWarning(lcMonitor) << "No moment on the clock is" << at << "after" << start
                             << "- the deadline will not end monitoring";
}

bool Deadline::fire(const QDateTime &now)
{
    // An invalid moment would compare before any time and fire at once.
    if (m_fired || !m_due.isValid() || now < m_due)
        return false;
    m_fired = true;
    return true;
}

} // namespace quendral
