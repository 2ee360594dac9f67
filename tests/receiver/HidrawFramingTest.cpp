// Report-id placement between hidraw's payload and the 65-byte image.
#include "HidrawFraming.h"

#include <gtest/gtest.h>
#include <vector>

namespace tandrel {
namespace {

TEST(HidrawFraming, PayloadShiftsBehindReportIdZero) {
    std::vector<std::uint8_t> payload(64);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i + 1);
    }
    const Report image = imageFromPayload(payload);
    EXPECT_EQ(image[0], 0);
    for (std::size_t i = 1; i < image.size(); ++i) {
        EXPECT_EQ(image[i], i) << "byte " << i;
    }
    // Payload byte 38 is the link status at image byte 39.
    EXPECT_EQ(linkStatus(image), payload[38]);
}

TEST(HidrawFraming, ShortPayloadLeavesTheRestZeroAndLongIsCut) {
    const std::vector<std::uint8_t> shortPayload{0xAA, 0xBB};
    Report expected{};
    expected[1] = 0xAA;
    expected[2] = 0xBB;
    EXPECT_EQ(imageFromPayload(shortPayload), expected);

    const std::vector<std::uint8_t> longPayload(100, 0x7F);
    const Report cut = imageFromPayload(longPayload);
    EXPECT_EQ(cut[0], 0);
    EXPECT_EQ(cut[64], 0x7F);
}

TEST(HidrawFraming, OnlyAPositiveCountIsARead) {
    EXPECT_FALSE(readDelivered(-1)); // error
    EXPECT_FALSE(readDelivered(0));  // wait ran out
    EXPECT_TRUE(readDelivered(64));
}

TEST(HidrawFraming, EachPathOnceInFirstSeenOrder) {
    const std::vector<HidInterface> listed{
        {"/dev/hidraw2", 0x5e1c, 0x8040, 2}, {"/dev/hidraw0", 0x5e1c, 0x8040, 0},
        {"/dev/hidraw2", 0x5e1c, 0x8040, 2}, {"/dev/hidraw1", 0x046d, 0xc52b, 1},
        {"/dev/hidraw0", 0x5e1c, 0x8040, 0}, {"/dev/hidraw2", 0x5e1c, 0x8040, 2}};
    std::vector<std::string> paths;
    for (const HidInterface& i : onePerPath(listed)) {
        paths.push_back(i.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/hidraw2", "/dev/hidraw0", "/dev/hidraw1"}));
}

} // namespace
} // namespace tandrel
