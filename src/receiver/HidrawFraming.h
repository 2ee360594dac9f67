// Where hidraw, and hidapi's listing of it, differ from the walk's model: the report id that reads
// drop, the bounded read, why an open failed, and interfaces listed more than once.
#pragma once

#include "HidPlatform.h"
#include "Reports.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tandrel {

constexpr std::size_t kPayloadSize = kReportSize - 1;

// The receiver answers within a few milliseconds; half a second keeps a silent receiver from
// freezing the window while leaving ample room for a slow USB hub.
constexpr std::chrono::milliseconds kReadTimeout{500};

// What one read of a hidraw node delivered: `bytesRead` is its result, `payload` the buffer it
// filled.
// Negative is an error and zero a wait that ran out, both failed reads. Otherwise hidraw has
// handed back the payload without the report id: it belongs at bytes 1..64, id 0 in front; a
// short payload leaves the rest zero, and nothing past 64 bytes is part of the report.
std::optional<Report> imageFromRead(int bytesRead, std::span<const std::uint8_t> payload);

// Why an open failed, from the errno of opening the device node ourselves.
OpenError openErrorFromErrno(int error);

// Before version 0.14, hidapi's hidraw backend lists an interface once for every usage in its
// report descriptor, each time with the same path; 0.14 still repeats it per top-level
// collection. Each repeat would cost the walk another exchange, so each path is kept once, where
// it was first seen.
std::vector<HidInterface> onePerPath(std::vector<HidInterface> interfaces);

} // namespace tandrel
