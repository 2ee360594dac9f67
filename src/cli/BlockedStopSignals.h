// The stop signals of the running process, held back from the moment this exists, so that they
// end the tool where it asks for them and never inside a report exchange.
#pragma once

#include "StopSignals.h"

#include <csignal>

namespace tandrel::cli {

class BlockedStopSignals final : public StopSignals {
public:
    // Blocks SIGINT and SIGTERM for the process; create it before any thread.
    BlockedStopSignals();

    int taken() override;
    bool pause(std::chrono::milliseconds wait) override;
    Clock::time_point now() override { return Clock::now(); }

private:
    void takeWithin(std::chrono::nanoseconds wait);

    sigset_t stops_{};
    int taken_ = 0;
};

} // namespace tandrel::cli
