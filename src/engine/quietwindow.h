#pragma once

#include <QtGlobal>

#include <optional>

namespace quendral {

// Whether a connection has gone quiet: its received rate stayed below a
// limit between every two samples of the last `windowMs`. One sample above the
// limit, a counter that could not be read or one that went back (a new link)
// starts the window afresh, so a background trickle above the limit never
// counts as quiet, and neither does one quiet sample.
class QuietWindow
{
public:
    // `bytesPerSecond` is the rate at or above which the link counts as busy.
    QuietWindow(qint64 windowMs, double bytesPerSecond);

    // One reading of the received-bytes counter at `ms` on a monotonic clock;
    // nothing when the counter could not be read.
    void sample(qint64 ms, std::optional<quint64> rxBytes);
    // Quiet for the whole window, and no download still at work (a partial
    // marker or a file open for writing) holds it back. The marker does not
    // restart the window: a download that ends after a long quiet spell has
    // ended.
    bool holds(bool downloadsAtWork) const;

private:
    qint64 m_windowMs;
    double m_bytesPerSecond;
    std::optional<qint64> m_quietSince;
    std::optional<qint64> m_lastMs;
    std::optional<quint64> m_lastBytes;
};

} // namespace quendral
