#include "engine/quietwindow.h"

namespace quendral {

QuietWindow::QuietWindow(qint64 windowMs, double bytesPerSecond)
    : m_windowMs(windowMs)
    , m_bytesPerSecond(bytesPerSecond)
{
}

void QuietWindow::sample(qint64 ms, std::optional<quint64> rxBytes)
{
    const bool comparable = rxBytes && m_lastBytes && *rxBytes >= *m_lastBytes && ms > *m_lastMs;
    if (!comparable) {
        // Nothing to measure a rate against: the window starts here.
        m_quietSince = rxBytes ? std::optional<qint64>(ms) : std::nullopt;
    } else {
        const double rate = double(*rxBytes - *m_lastBytes) * 1000.0 / double(ms - *m_lastMs);
        if (rate >= m_bytesPerSecond)
            m_quietSince = ms;
    }
    m_lastMs = ms;
    m_lastBytes = rxBytes;
}

bool QuietWindow::holds(bool downloadsAtWork) const
{
    return !downloadsAtWork && m_quietSince && m_lastMs && *m_lastMs - *m_quietSince >= m_windowMs;
}

} // namespace quendral
