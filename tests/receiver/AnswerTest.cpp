// The two commands byte for byte, and the answer decoded from its byte positions into the four
// texts.
#include "DeviceInfoText.h"
#include "Reports.h"

#include <gtest/gtest.h>
#include <vector>

namespace tandrel {
namespace {

TEST(Answer, CommandsAreExactImages) {
    EXPECT_EQ(QueryReport, (Report{0x00, 0x03, 0x03, 0x8F})); // the rest is zero
    EXPECT_EQ(PairReport, (Report{0x00, 0x03, 0x8E}));
}

std::u16string numbered(char16_t tag, int code) {
    std::u16string text(1, tag);
    for (char c : std::to_string(code)) {
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

class Decoding : public ::testing::Test {
protected:
    // The answer of a keyboard whose information was written: byte 7 carries the marker.
    static Report answer(std::vector<std::pair<std::size_t, std::uint8_t>> bytes) {
        Report r{};
        r[7] = 1;
        for (auto [position, value] : bytes) {
            r[position] = value;
        }
        return r;
    }
    DeviceTexts decode(const Report& r, bool connected) {
        return decodeDeviceInfo(r, connected, lookups);
    }

    NameLookups lookups{[](int code) { return numbered(u'S', code); },
                        [](int code) { return numbered(u'C', code); }};
};

TEST_F(Decoding, ModelFirmwareAndTheCodesLessOne) {
    struct Case {
        std::uint8_t byte41, byte40, byte5, byte4, switchCode, colourCode;
        DeviceTexts texts;
    };
    const Case cases[] = {
        {0x00, 0x82, 0x01, 0x05, 1, 2, {u"V540N", u"C1", u"S0", u"1.05"}},
        {0x00, 0x42, 0x1a, 0xff, 0, 0, {u"V530n", u"C-1", u"S-1", u"1a.ff"}},
        {0x01, 0x41, 0x10, 0x03, 0xff, 3, {u"TESSEL", u"C2", u"S254", u"10.03"}},
        {0x82, 0x00, 0x0a, 0xff, 5, 4, {u"", u"C3", u"S4", u"a.ff"}}, // swapped model bytes
        {0x00, 0xab, 0x00, 0x00, 9, 9, {u"", u"C8", u"S8", u"0.00"}}, // "00ab" is nobody's
    };
    for (const Case& c : cases) {
        const Report r = answer({{41, c.byte41},
                                 {40, c.byte40},
                                 {5, c.byte5},
                                 {4, c.byte4},
                                 {17, c.switchCode},
                                 {18, c.colourCode}});
        EXPECT_EQ(decode(r, true), c.texts);
        EXPECT_EQ(decode(r, false), c.texts) << "with the information there, the state is moot";
    }
}

TEST_F(Decoding, WithoutTheMarkerNotWrittenWhenConnectedAndEmptyOtherwise) {
    Report r{}; // nothing in bytes 7 to 13, the marker
    r[6] = 1, r[14] = 1, r[5] = 2, r[17] = 3, r[18] = 3, r[40] = 0x82;
    EXPECT_EQ(decode(r, true), (DeviceTexts{u"设备相应型号未写入！", u"设备相应外壳颜色未写入！",
                                            u"设备相应轴体未写入！", u"2.00"}));
    EXPECT_EQ(decode(Report{}, true).firmwareText, u"0.00");
    EXPECT_EQ(decode(r, false), DeviceTexts{});
    EXPECT_EQ(decode(answer({{7, 0}, {13, 0x80}, {40, 0x82}}), false).modelText,
              u"V540N"); // byte 13 is marker enough
}

} // namespace
} // namespace tandrel
