// Model table, number formats and the not-written texts.
#include "DeviceInfoText.h"

#include <array>
#include <cstdio>

namespace tandrel {
namespace {

struct ModelRow {
    std::u16string_view code;
    std::u16string_view name;
};
constexpr std::array<ModelRow, 3> kModels{{
    {u"0082", u"V540N"},
    {u"0042", u"V530n"},
    {u"0141", u"TESSEL"},
}};

std::u16string fromAscii(const char* text) {
    std::u16string wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    }
    return wide;
}

std::u16string formatTwoBytes(const char* format, unsigned first, unsigned second) {
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, first, second);
    return fromAscii(buffer.data());
}

// The stored code is a byte; the tables are keyed by the code less one, and a code of 0 asks
// for -1.
int tableCode(std::uint8_t code) {
    return static_cast<int>(code) - 1;
}

} // namespace

std::u16string modelCodeText(const Report& report) {
    const unsigned code = modelCode(report);
    return formatTwoBytes("%02x%02x", code >> 8, code & 0xffU);
}

std::u16string firmwareVersionText(const Report& report) {
    return formatTwoBytes("%0x.%02x", firmwareMajor(report), firmwareMinor(report));
}

std::u16string modelName(std::u16string_view codeText) {
    for (const ModelRow& row : kModels) {
        if (row.code == codeText) {
            return std::u16string(row.name);
        }
    }
    return {};
}

ReportNames lookUpNames(const Report& report, const NameLookups& lookups) {
    if (!infoMarker(report)) {
        return {};
    }
    return {lookups.switchName(tableCode(switchCode(report))),
            lookups.colourName(tableCode(colourCode(report)))};
}

DeviceTexts decodeDeviceInfo(const Report& report, bool connected, const NameLookups& lookups) {
    return decodeDeviceInfo(report, connected, lookUpNames(report, lookups));
}

DeviceTexts decodeDeviceInfo(const Report& report, bool connected, const ReportNames& names) {
    if (infoMarker(report)) {
        DeviceTexts texts;
        texts.modelText = modelName(modelCodeText(report));
        texts.firmwareText = firmwareVersionText(report);
        texts.switchText = names.switchName;
        texts.colourText = names.colourName;
        return texts;
    }
    if (connected) {
        return {std::u16string(kModelNotWritten), std::u16string(kColourNotWritten),
                std::u16string(kSwitchNotWritten), firmwareVersionText(report)};
    }
    return {};
}

} // namespace tandrel
