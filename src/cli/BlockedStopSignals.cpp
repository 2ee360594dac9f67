// Taking a blocked SIGINT or SIGTERM with sigtimedwait, at once or within a wait.
#include "BlockedStopSignals.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace tandrel::cli {

BlockedStopSignals::BlockedStopSignals() {
    sigemptyset(&stops_);
    sigaddset(&stops_, SIGINT);
    sigaddset(&stops_, SIGTERM);
    sigprocmask(SIG_BLOCK, &stops_, nullptr);
}

void BlockedStopSignals::takeWithin(std::chrono::nanoseconds wait) {
    const Clock::time_point end = Clock::now() + wait;
    for (;;) {
        const auto left = std::max(std::chrono::nanoseconds(0), end - Clock::now());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec remaining{static_cast<time_t>(seconds.count()),
                                 static_cast<long>((left - seconds).count())};
        const int signal = sigtimedwait(&stops_, nullptr, &remaining);
        if (signal > 0) {
            taken_ = signal;
            return;
        }
        if (errno != EINTR) {
            return; // EAGAIN: the wait ran out
        }
    }
}

int BlockedStopSignals::taken() {
    if (taken_ == 0) {
        takeWithin(std::chrono::nanoseconds(0));
    }
    return taken_;
}

bool BlockedStopSignals::pause(std::chrono::milliseconds wait) {
    if (taken_ == 0) {
        takeWithin(wait);
    }
    return taken_ == 0;
}

} // namespace tandrel::cli
