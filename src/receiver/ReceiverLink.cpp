// The receiver walk shared by the four operations.
#include "ReceiverLink.h"

#include <algorithm>
#include <utility>

namespace tandrel {

bool isReceiverInterface(const HidInterface& candidate) {
    return candidate.vendorId == kReceiverVendorId && candidate.productId == kReceiverProductId &&
           candidate.interfaceNumber == kReceiverInterface;
}

bool WalkOutcome::everyOpenDenied() const {
    return candidates > 0 && openFailures.size() == static_cast<std::size_t>(candidates) &&
           std::all_of(openFailures.begin(), openFailures.end(),
                       [](const OpenFailure& f) { return f.error == OpenError::PermissionDenied; });
}

ReceiverLink::ReceiverLink(HidPlatform& platform, DeviceRecord& record, StopCheck stopRequested)
    : platform_(platform), record_(record), stopCheck_(std::move(stopRequested)) {}

bool ReceiverLink::stopNow() {
    lastWalk_.stopped = stopRequested_ || (stopCheck_ && stopCheck_());
    return lastWalk_.stopped;
}

bool ReceiverLink::FindReceiver() {
    std::uint8_t unused = kNoStatus;
    return walk(Exchange::Find, unused) == ReceiverResult::Done;
}

std::uint8_t ReceiverLink::ReadReceiverInfo() {
    std::uint8_t status = kNoStatus;
    walk(Exchange::Info, status);
    return status;
}

StatusReading ReceiverLink::ReadReceiverStatus() {
    StatusReading reading;
    reading.result = walk(Exchange::Status, reading.status);
    return reading;
}

ReceiverResult ReceiverLink::SendPairCommand() {
    std::uint8_t unused = kNoStatus;
    return walk(Exchange::Pair, unused);
}

ReceiverResult ReceiverLink::walk(Exchange exchange, std::uint8_t& status) {
    lastWalk_ = {};
    status = kNoStatus;
    lastWalk_.result = runWalk(exchange, status);
    return lastWalk_.result;
}

// One immediate retry, so that a single lost write does not cost the whole exchange; but not after
// a time-out: the receiver has stopped taking commands, and a retry would only wait as long again.
bool ReceiverLink::writeWithRetry(HidHandle& handle, const Report& command) {
    WriteResult written = handle.write(command);
    if (written == WriteResult::Failed && !stopNow()) {
        written = handle.write(command);
    }
    lastWalk_.writeTimedOut = lastWalk_.writeTimedOut || written == WriteResult::TimedOut;
    return written == WriteResult::Written;
}

ReceiverResult ReceiverLink::runWalk(Exchange exchange, std::uint8_t& status) {
    const auto interfaces = platform_.listInterfaces();
    if (!interfaces) {
        return ReceiverResult::NoDeviceList;
    }
    if (!platform_.reserveScratchBuffer()) {
        return ReceiverResult::NoScratchBuffer;
    }

    for (const HidInterface& candidate : *interfaces) {
        if (candidate.path.empty() || !isReceiverInterface(candidate)) {
            continue;
        }
        ++lastWalk_.candidates;
        if (exchange == Exchange::Find) {
            lastWalk_.receiverPath = candidate.path;
            return ReceiverResult::Done;
        }

        // Each write to a hung receiver waits out the USB time-out: with several of them plugged
        // in, a stop waits for one write at most, not for one each.
        if (stopNow()) {
            return ReceiverResult::NoAnswer;
        }
        // At most one receiver handle may be open at any time.
        record_.receiverHandle.reset();
        OpenResult opened = platform_.open(candidate.path);
        if (!opened.handle) {
            lastWalk_.openFailures.push_back({candidate.path, opened.error});
            continue;
        }
        record_.receiverHandle = std::move(opened.handle);
        HidHandle& handle = *record_.receiverHandle;

        const Report& command = exchange == Exchange::Pair ? PairReport : QueryReport;
        if (!writeWithRetry(handle, command)) {
            record_.receiverHandle.reset();
            continue;
        }
        if (exchange == Exchange::Pair) {
            lastWalk_.receiverPath = candidate.path;
            return ReceiverResult::Done;
        }

        Report answer{};
        if (!handle.read(answer)) {
            record_.receiverHandle.reset();
            continue;
        }
        if (exchange == Exchange::Info) {
            record_.storeAnswer(answer);
        }
        status = linkStatus(answer);
        lastWalk_.receiverPath = candidate.path;
        return ReceiverResult::Done;
    }
    return ReceiverResult::NoAnswer;
}

} // namespace tandrel
