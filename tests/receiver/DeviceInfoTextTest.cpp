// Decoding of a stored answer into the four display texts.
#include "DeviceInfoText.h"

#include "SimulatedPlatform.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tandrel {
namespace {

std::u16string numbered(char16_t tag, int code) {
    std::u16string text(1, tag);
    for (char c : std::to_string(code)) {
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

class DeviceInfoDecoding : public ::testing::Test {
protected:
    NameLookups lookups{[this](int code) {
                            switchCodes.push_back(code);
                            return numbered(u'S', code);
                        },
                        [this](int code) {
                            colourCodes.push_back(code);
                            return numbered(u'C', code);
                        }};
    std::vector<int> switchCodes;
    std::vector<int> colourCodes;
};

TEST_F(DeviceInfoDecoding, ModelCodeTextAndName) {
    struct Case {
        std::uint8_t byte41, byte40;
        std::u16string code, name;
    };
    const Case cases[] = {
        {0x00, 0x82, u"0082", u"V540N"},  {0x00, 0x42, u"0042", u"V530n"},
        {0x01, 0x41, u"0141", u"TESSEL"}, {0x82, 0x00, u"8200", u""}, // swapped bytes
        {0x00, 0xab, u"00ab", u""},                                   // lower-case hex
    };
    for (const Case& c : cases) {
        Report r = sim::makeAnswer({});
        r[41] = c.byte41;
        r[40] = c.byte40;
        EXPECT_EQ(modelCodeText(r), c.code);
        EXPECT_EQ(decodeDeviceInfo(r, true, lookups).modelText, c.name);
    }
    EXPECT_EQ(modelName(u"00AB"), u"");
}

TEST_F(DeviceInfoDecoding, FirmwareText) {
    struct Case {
        std::uint8_t major, minor;
        std::u16string text;
    };
    const Case cases[] = {{0x01, 0x05, u"1.05"},
                          {0x1a, 0xff, u"1a.ff"},
                          {0x10, 0x03, u"10.03"},
                          {0x0a, 0xff, u"a.ff"},
                          {0x00, 0x00, u"0.00"}};
    for (const Case& c : cases) {
        const Report r = sim::makeAnswer({.firmwareMajor = c.major, .firmwareMinor = c.minor});
        EXPECT_EQ(firmwareVersionText(r), c.text);
        EXPECT_EQ(decodeDeviceInfo(r, false, lookups).firmwareText, c.text);
    }
}

TEST_F(DeviceInfoDecoding, CodesReachTheLookUpsLessOne) {
    const Report zero = sim::makeAnswer({.switchCode = 0, .colourCode = 0});
    const DeviceTexts texts = decodeDeviceInfo(zero, true, lookups);
    EXPECT_EQ(texts.switchText, u"S-1");
    EXPECT_EQ(texts.colourText, u"C-1");

    const Report one = sim::makeAnswer({.switchCode = 1, .colourCode = 0xff});
    decodeDeviceInfo(one, false, lookups);
    EXPECT_EQ(switchCodes, (std::vector<int>{-1, 0}));
    EXPECT_EQ(colourCodes, (std::vector<int>{-1, 254}));
}

TEST_F(DeviceInfoDecoding, PresenceDecidesBetweenNamesNotWrittenAndEmpty) {
    Report onlyByte13{};
    onlyByte13[13] = 1;
    onlyByte13[17] = 3;
    EXPECT_EQ(decodeDeviceInfo(onlyByte13, false, lookups).switchText, u"S2");

    Report markerOutside{};
    markerOutside[6] = 1;
    markerOutside[14] = 1;
    markerOutside[5] = 2;
    const DeviceTexts notWritten = decodeDeviceInfo(markerOutside, true, lookups);
    EXPECT_EQ(notWritten, (DeviceTexts{u"设备相应型号未写入！", u"设备相应外壳颜色未写入！",
                                       u"设备相应轴体未写入！", u"2.00"}));
    EXPECT_EQ(decodeDeviceInfo(Report{}, true, lookups).firmwareText, u"0.00");
    EXPECT_EQ(decodeDeviceInfo(markerOutside, false, lookups), DeviceTexts{});
    EXPECT_EQ(switchCodes.size(), 1u) << "no look-up without information";
}

} // namespace
} // namespace tandrel
