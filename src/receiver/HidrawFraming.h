// Where hidraw, and hidapi's backend over it, differ from the walk's model: the report id that
// reads drop, the bounded read, and interfaces listed more than once.
#pragma once

#include "HidPlatform.h"
#include "Reports.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tandrel {

constexpr std::size_t kPayloadSize = kReportSize - 1;

// The receiver answers within a few milliseconds; half a second keeps a silent receiver from
// freezing the window while leaving ample room for a slow USB hub.
constexpr std::chrono::milliseconds kReadTimeout{500};

// hidraw hands back the payload without the report id: it belongs at bytes 1..64, id 0 in front.
// A short payload leaves the rest zero; anything past 64 bytes is not part of the report.
Report imageFromPayload(std::span<const std::uint8_t> payload);

// hidapi's read result: negative is an error, zero is a wait that ran out.
constexpr bool readDelivered(int bytesRead) {
    return bytesRead > 0;
}

// Before version 0.14, hidapi's hidraw backend lists an interface once for every usage in its
// report descriptor, each time with the same path; 0.14 still repeats it per top-level
// collection. Each repeat would cost the walk another exchange, so each path is kept once, where
// it was first seen.
std::vector<HidInterface> onePerPath(std::vector<HidInterface> interfaces);

} // namespace tandrel
