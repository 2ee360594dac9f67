// Turns a stored answer into the four texts the window and the command-line tool show.
#pragma once

#include "Reports.h"

#include <functional>
#include <string>
#include <string_view>

namespace tandrel {

struct DeviceTexts {
    std::u16string modelText;
    std::u16string colourText;
    std::u16string switchText;
    std::u16string firmwareText;

    bool operator==(const DeviceTexts&) const = default;
};

// What a connected receiver that holds no keyboard information shows in the three named fields.
constexpr std::u16string_view kModelNotWritten = u"设备相应型号未写入！";
constexpr std::u16string_view kSwitchNotWritten = u"设备相应轴体未写入！";
constexpr std::u16string_view kColourNotWritten = u"设备相应外壳颜色未写入！";
// What the name look-ups give for a code Set.xml has no name for, as they write it.
constexpr std::u16string_view kOtherTypeName = u"其他类型";

// The name tables, passed in so decoding stays free of file access.
struct NameLookups {
    std::function<std::u16string(int)> switchName;
    std::function<std::u16string(int)> colourName;
};

// The switch and colour names of one stored answer, looked up where the answer was read.
struct ReportNames {
    std::u16string switchName;
    std::u16string colourName;
};

// Looks both names up when the report carries the information marker; none are needed otherwise.
ReportNames lookUpNames(const Report& report, const NameLookups& lookups);

// Four lower-case hex digits, high byte first.
std::u16string modelCodeText(const Report& report);
// Major in hex without leading zeros, a point, minor as two hex digits.
std::u16string firmwareVersionText(const Report& report);
// The model's name for a code text; empty for a code nobody knows.
std::u16string modelName(std::u16string_view codeText);

// `connected` is true exactly when the caller has just seen the connected status. `names` are
// those lookUpNames gave for this report.
DeviceTexts decodeDeviceInfo(const Report& report, bool connected, const ReportNames& names);
DeviceTexts decodeDeviceInfo(const Report& report, bool connected, const NameLookups& lookups);

} // namespace tandrel
