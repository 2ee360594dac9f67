// Ctrl-C and SIGTERM as the commands see them: taken when a command asks, between two exchanges
// with the receiver, since a write already in the kernel cannot be cut short.
#pragma once

#include <chrono>

namespace tandrel::cli {

class StopSignals {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~StopSignals() = default;
    // The signal that came (SIGINT or SIGTERM), or 0 while none has.
    virtual int taken() = 0;
    // Waits for `wait`, or less should a signal come; false when one has come.
    virtual bool pause(std::chrono::milliseconds wait) = 0;
    // The clock the pauses run on; it never jumps with the wall clock.
    virtual Clock::time_point now() = 0;
};

} // namespace tandrel::cli
