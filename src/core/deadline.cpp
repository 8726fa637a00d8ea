#include "core/deadline.h"

namespace quendral {

namespace {

QDateTime nextAt(const QDateTime &start, QTime at)
{
    const QTime minute(at.hour(), at.minute());
    QDateTime due(start.date(), minute, start.timeSpec());
    // Started at the very minute or after it: tomorrow's.
    if (due <= start)
        due = QDateTime(start.date().addDays(1), minute, start.timeSpec());
    return due;
}

} // namespace

Deadline::Deadline(const QDateTime &start, QTime at)
    : m_due(nextAt(start, at))
{
}

bool Deadline::fire(const QDateTime &now)
{
    if (m_fired || now < m_due)
        return false;
    m_fired = true;
    return true;
}

} // namespace quendral
