// Finds the receiver among the HID interfaces and runs the four exchanges with it.
#pragma once

#include "DeviceRecord.h"
#include "HidPlatform.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tandrel {

constexpr std::uint16_t kReceiverVendorId = 0x5e1c;
constexpr std::uint16_t kReceiverProductId = 0x8040;
constexpr int kReceiverInterface = 2; // the composite device's interface that takes commands

bool isReceiverInterface(const HidInterface& candidate);

enum class ReceiverResult { Done, NoDeviceList, NoScratchBuffer, NoAnswer };

struct StatusReading {
    ReceiverResult result = ReceiverResult::NoAnswer;
    std::uint8_t status = kNoStatus;
};

struct OpenFailure {
    std::string path;
    OpenError error = OpenError::Other;
};

// What the latest walk met, for callers that want to explain a failure.
struct WalkOutcome {
    ReceiverResult result = ReceiverResult::NoAnswer;
    std::optional<std::string> receiverPath; // the interface that completed the walk
    int candidates = 0;                      // matching interfaces met
    std::vector<OpenFailure> openFailures;
    bool writeTimedOut = false; // a receiver stopped taking commands
    bool stopped = false;       // a stop was asked for, and the walk ended before its next write

    // Every matching interface refused to open for lack of permission.
    bool everyOpenDenied() const;
};

class ReceiverLink {
public:
    // Asked before each write; true ends the walk there.
    using StopCheck = std::function<bool()>;

    ReceiverLink(HidPlatform& platform, DeviceRecord& record, StopCheck stopRequested = {});

    // From any thread: the walk in progress, and every later one, ends before its next write. A
    // write already in the kernel cannot be cut short, so that one still runs its course.
    void requestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }

    bool FindReceiver();
    std::uint8_t ReadReceiverInfo();
    StatusReading ReadReceiverStatus();
    ReceiverResult SendPairCommand();

    const WalkOutcome& lastWalk() const { return lastWalk_; }

private:
    enum class Exchange { Find, Info, Status, Pair };
    ReceiverResult walk(Exchange exchange, std::uint8_t& status);
    ReceiverResult runWalk(Exchange exchange, std::uint8_t& status);
    bool writeWithRetry(HidHandle& handle, const Report& command);
    bool stopNow();

    HidPlatform& platform_;
    DeviceRecord& record_;
    StopCheck stopCheck_;
    std::atomic<bool> stopRequested_ = false;
    WalkOutcome lastWalk_;
};

} // namespace tandrel
