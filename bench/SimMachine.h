// Simulated machines for the benchmarks: many HID interfaces with the receiver's command interface
// listed last, the slowest place for the walk to find it.
#pragma once

#include <ReceiverLink.h>
#include <SimulatedPlatform.h>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tandrel::bench {

// Vendors of the other devices a desktop typically shows: mice, keyboards, headsets, hubs.
constexpr std::uint16_t kOtherVendors[] = {0x046d, 0x045e, 0x1532, 0x05ac, 0x0b05, 0x1b1c};
constexpr int kInterfacesPerOtherDevice = 3;

// Answers as a connected keyboard with both table codes set, so a refresh runs both look-ups.
inline void connectKeyboard(sim::SimulatedPlatform& platform, std::uint8_t switchCode,
                            std::uint8_t colourCode) {
    platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1,
                                        .firmwareMinor = 5,
                                        .switchCode = switchCode,
                                        .colourCode = colourCode,
                                        .modelCode = 0x0082}));
    platform.setLinkStatus(kLinkConnected);
}

// `count` interfaces in all. The receiver's other two interfaces come just before its command
// interface, as the kernel lists a composite device; everything before them is other devices.
inline void addInterfaces(sim::SimulatedPlatform& platform, std::size_t count) {
    const auto path = [&platform] {
        return "/dev/hidraw" + std::to_string(platform.interfaceCount());
    };
    const std::size_t receiverSiblings = count >= 3 ? 2 : count - 1;
    for (std::size_t i = 0; i + receiverSiblings + 1 < count; ++i) {
        sim::SimInterface other;
        other.info = {path(), kOtherVendors[i % std::size(kOtherVendors)],
                      static_cast<std::uint16_t>(0xc000 + i / kInterfacesPerOtherDevice),
                      static_cast<int>(i % kInterfacesPerOtherDevice)};
        platform.addInterface(other);
    }
    for (std::size_t number = 0; number <= receiverSiblings; ++number) {
        sim::SimInterface own;
        own.info = {path(), kReceiverVendorId, kReceiverProductId,
                    kReceiverInterface - static_cast<int>(receiverSiblings - number)};
        platform.addInterface(own);
    }
}

} // namespace tandrel::bench
