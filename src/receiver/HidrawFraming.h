// How 65-byte report images map onto what hidraw reads and writes.
#pragma once

#include "Reports.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

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

} // namespace tandrel
