#pragma once

#include <QtGlobal>

#include <optional>

namespace quendral {

// The received-bytes counter of the dial-up connection that monitoring
// watches (the first listed), for telling when it has gone quiet.
class TrafficMeter
{
public:
    virtual ~TrafficMeter() = default;
    // Bytes received so far; nothing when there is no such connection or its
    // counter cannot be read.
    virtual std::optional<quint64> receivedBytes() = 0;
    // On while monitoring reads the counter: a platform that refreshes its
    // counters only on request is asked to, and asked to stop afterwards.
    virtual void setMetering(bool on) = 0;
};

} // namespace quendral
