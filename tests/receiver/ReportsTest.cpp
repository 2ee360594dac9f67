// Command images and answer field reads, byte for byte.
#include "Reports.h"

#include <gtest/gtest.h>
#include <vector>

namespace tandrel {
namespace {

void expectImage(const Report& image, std::initializer_list<std::uint8_t> head) {
    ASSERT_EQ(image.size(), 65u);
    std::size_t i = 0;
    for (std::uint8_t expected : head) {
        EXPECT_EQ(image[i], expected) << "byte " << i;
        ++i;
    }
    for (; i < image.size(); ++i) {
        EXPECT_EQ(image[i], 0) << "byte " << i;
    }
}

TEST(CommandImages, QueryAndPairAreExactBytes) {
    expectImage(QueryReport, {0x00, 0x03, 0x03, 0x8F});
    expectImage(PairReport, {0x00, 0x03, 0x8E});
}

struct FieldCase {
    const char* name;
    std::vector<std::pair<std::size_t, std::uint8_t>> bytes;
    std::uint8_t status;
    std::uint16_t model;
    std::uint8_t major;
    std::uint8_t minor;
    std::uint8_t switchCode;
    std::uint8_t colourCode;
    bool marker;
};

TEST(AnswerFields, DecodeFromTheirBytePositions) {
    const FieldCase cases[] = {
        {"all zero", {}, 0, 0, 0, 0, 0, 0, false},
        {"connected", {{39, 3}}, 3, 0, 0, 0, 0, 0, false},
        {"pairing", {{39, 1}}, 1, 0, 0, 0, 0, 0, false},
        {"status 2", {{39, 2}}, 2, 0, 0, 0, 0, 0, false},
        {"status ff", {{39, 0xFF}}, 0xFF, 0, 0, 0, 0, 0, false},
        {"model 0082", {{40, 0x82}, {41, 0x00}}, 0, 0x0082, 0, 0, 0, 0, false},
        {"model 0141", {{40, 0x41}, {41, 0x01}}, 0, 0x0141, 0, 0, 0, 0, false},
        {"firmware 1.05", {{5, 0x01}, {4, 0x05}}, 0, 0, 1, 5, 0, 0, false},
        {"firmware 1a", {{5, 0x1A}}, 0, 0, 0x1A, 0, 0, 0, false},
        {"switch and colour", {{17, 2}, {18, 9}}, 0, 0, 0, 0, 2, 9, false},
        {"marker byte 7", {{7, 1}}, 0, 0, 0, 0, 0, 0, true},
        {"marker byte 13", {{13, 0x80}}, 0, 0, 0, 0, 0, 0, true},
        {"byte 6 is not marker", {{6, 1}}, 0, 0, 0, 0, 0, 0, false},
        {"byte 14 is not marker", {{14, 1}}, 0, 0, 0, 0, 0, 0, false},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.name);
        Report r{};
        for (auto [position, value] : c.bytes) {
            r[position] = value;
        }
        EXPECT_EQ(linkStatus(r), c.status);
        EXPECT_EQ(modelCode(r), c.model);
        EXPECT_EQ(firmwareMajor(r), c.major);
        EXPECT_EQ(firmwareMinor(r), c.minor);
        EXPECT_EQ(switchCode(r), c.switchCode);
        EXPECT_EQ(colourCode(r), c.colourCode);
        EXPECT_EQ(infoMarker(r), c.marker);
    }
}

} // namespace
} // namespace tandrel
