// The two command images the receiver understands and named reads of its one answer layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tandrel {

constexpr std::size_t kReportSize = 1 + 64; // report id + the receiver's payload
using Report = std::array<std::uint8_t, kReportSize>;

// Every byte not listed is zero; byte 0 is report id 0.
inline constexpr Report QueryReport{0x00, 0x03, 0x03, 0x8F};
inline constexpr Report PairReport{0x00, 0x03, 0x8E};

constexpr std::uint8_t kLinkPairing = 1;
constexpr std::uint8_t kLinkConnected = 3;
constexpr std::uint8_t kNoStatus = 0; // what an operation reports when nothing answered

namespace answer {
constexpr std::size_t kFirmwareMinor = 4;
constexpr std::size_t kFirmwareMajor = 5;
constexpr std::size_t kInfoMarkerFirst = 7; // byte 6 is not part of the marker
constexpr std::size_t kInfoMarkerLast = 13;
constexpr std::size_t kSwitchCode = 17;
constexpr std::size_t kColourCode = 18;
constexpr std::size_t kLinkStatus = 39;
constexpr std::size_t kModelCodeLow = 40;
constexpr std::size_t kModelCodeHigh = 41;
} // namespace answer

constexpr std::uint8_t firmwareMinor(const Report& r) {
    return r[answer::kFirmwareMinor];
}
constexpr std::uint8_t firmwareMajor(const Report& r) {
    return r[answer::kFirmwareMajor];
}
constexpr std::uint8_t switchCode(const Report& r) {
    return r[answer::kSwitchCode];
}
constexpr std::uint8_t colourCode(const Report& r) {
    return r[answer::kColourCode];
}
constexpr std::uint8_t linkStatus(const Report& r) {
    return r[answer::kLinkStatus];
}

constexpr std::uint16_t modelCode(const Report& r) {
    return static_cast<std::uint16_t>(r[answer::kModelCodeHigh] << 8 | r[answer::kModelCodeLow]);
}

// True when the receiver holds information about the paired keyboard.
constexpr bool infoMarker(const Report& r) {
    for (std::size_t i = answer::kInfoMarkerFirst; i <= answer::kInfoMarkerLast; ++i) {
        if (r[i] != 0) {
            return true;
        }
    }
    return false;
}

} // namespace tandrel
