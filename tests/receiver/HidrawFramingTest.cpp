// What the hidapi (hidraw) backend adds to the walk: reads as report images, why an open failed,
// and interfaces listed more than once.
#include "HidrawFraming.h"

#include "LinuxHidPlatform.h"

#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace tandrel {
namespace {

TEST(HidrawFraming, AReadBecomesTheImageBehindReportIdZero) {
    std::vector<std::uint8_t> payload(64);
    Report whole{}, shortRead{};
    for (std::uint8_t i = 0; i < 64; ++i) {
        payload[i] = whole[i + 1u] = static_cast<std::uint8_t>(0x80 + i);
    }
    shortRead[1] = 0x80, shortRead[2] = 0x81;
    EXPECT_EQ(imageFromRead(64, payload), whole);
    EXPECT_EQ(imageFromRead(2, payload), shortRead) << "only what was read counts";
    EXPECT_EQ(imageFromRead(0, payload), std::nullopt) << "a wait that ran out";
    EXPECT_EQ(imageFromRead(-1, payload), std::nullopt) << "an error";
}

TEST(HidrawFraming, OpenErrorsSayWhyTheReceiverCouldNotBeOpened) {
    using enum OpenError;
    const std::pair<int, OpenError> cases[] = {
        {EACCES, PermissionDenied},
        {EPERM, PermissionDenied},
        {ENOENT, NotFound},
        {ENODEV, NotFound},
        {ENXIO, NotFound},
        {EBUSY, Other},
        {EIO, Other},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(openErrorFromErrno(error), expected) << error;
    }

    // The real backend over nodes that are not hidraw devices.
    LinuxHidPlatform platform;
    for (const auto& [path, expected] :
         {std::pair{"/nonexistent/hidraw9", NotFound}, std::pair{"/dev/null", Other}}) {
        const OpenResult opened = platform.open(path);
        EXPECT_EQ(opened.handle, nullptr) << path;
        EXPECT_EQ(opened.error, expected) << path;
    }
}

TEST(HidrawFraming, EachPathOnceInFirstSeenOrder) {
    const std::vector<HidInterface> listed{{"/dev/hidraw2", 0x5e1c, 0x8040, 2},
                                           {"/dev/hidraw0", 0x5e1c, 0x8040, 0},
                                           {"/dev/hidraw2", 0x5e1c, 0x8040, 2},
                                           {"/dev/hidraw1", 0x046d, 0xc52b, 1},
                                           {"/dev/hidraw0", 0x5e1c, 0x8040, 0}};
    std::vector<std::string> paths;
    for (const HidInterface& i : onePerPath(listed)) {
        paths.push_back(i.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/hidraw2", "/dev/hidraw0", "/dev/hidraw1"}));
}

} // namespace
} // namespace tandrel
