// One look at the receiver, classified the way a user needs to hear about it.
#pragma once

#include "DeviceRecord.h"
#include "ReceiverLink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tandrel::cli {

enum class Situation { NoReceiver, NotConnected, Pairing, Connected };

enum class Trouble {
    None,
    CannotList,       // the platform cannot enumerate HID devices at all
    PermissionDenied, // every receiver interface refused to open
    NoAnswer,         // present, but the exchange failed
};

struct ProbeResult {
    Situation situation = Situation::NoReceiver;
    Trouble trouble = Trouble::None;
    std::optional<std::uint8_t> linkStatus; // only when the receiver answered
    std::optional<std::string> path;        // the interface used, or the one that failed
};

Situation situationOf(std::uint8_t linkStatus);
// Classifies what the latest walk met; `status` is what the operation returned.
ProbeResult classify(const WalkOutcome& walk, std::uint8_t status);
// Clears the record and queries the receiver, storing its answer.
ProbeResult probeReceiver(ReceiverLink& link, DeviceRecord& record);

const char* situationKey(Situation situation);   // for JSON
const char* situationWords(Situation situation); // for people
// What the window's status line would say.
std::u16string windowStatusText(Situation situation);

} // namespace tandrel::cli
