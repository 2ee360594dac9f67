// Decoding of arbitrary answers: never crashes, and the texts keep their shapes.
#include "DeviceInfoText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < tandrel::kReportSize + 1) {
        return 0;
    }
    tandrel::Report report{};
    std::memcpy(report.data(), data, report.size());
    const bool connected = (data[tandrel::kReportSize] & 1) != 0;

    int looked = 0;
    const tandrel::NameLookups lookups{[&looked](int code) {
                                           check(code >= -1 && code <= 254);
                                           ++looked;
                                           return std::u16string(u"s");
                                       },
                                       [&looked](int code) {
                                           check(code >= -1 && code <= 254);
                                           ++looked;
                                           return std::u16string(u"c");
                                       }};
    const tandrel::DeviceTexts texts = tandrel::decodeDeviceInfo(report, connected, lookups);

    const std::u16string code = tandrel::modelCodeText(report);
    check(code.size() == 4);
    for (char16_t c : code) {
        check(isHexDigit(c));
    }
    if (!tandrel::infoMarker(report) && !connected) {
        check(texts == tandrel::DeviceTexts{});
        check(looked == 0);
        return 0;
    }
    const std::u16string& firmware = texts.firmwareText;
    const std::size_t point = firmware.find(u'.');
    check(point >= 1 && point <= 2 && firmware.size() == point + 3);
    check(looked == (tandrel::infoMarker(report) ? 2 : 0));
    return 0;
}
