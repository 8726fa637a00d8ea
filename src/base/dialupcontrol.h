#pragma once

namespace quendral {

// The two operations on the dial-up connections that monitoring and the
// hang-up countdown use.
class DialupControl
{
public:
    virtual ~DialupControl() = default;
    // True when the first listed dial-up connection is fully connected. A
    // failed listing shows "ERROR" first and answers false.
    virtual bool isConnected() = 0;
    // Asks every listed connection to hang up, in list order, ignoring failures.
    virtual void hangUpAll() = 0;
};

} // namespace quendral
