// The window's own words, kept in one place: its Chinese source texts, exactly as written, marked
// for Qt Linguist and translated into the user's language as they are shown.
#pragma once

#include <DeviceInfoText.h>
#include <QString>
#include <QtGlobal>
#include <StatusTexts.h>
#include <array>
#include <string_view>

namespace tandrel {

inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A text marked with QT_TRANSLATE_NOOP("Tandrel", ...), in the window's language.
QString translated(const char* source);
// A text the core decoded for a field: its fallback texts in the window's language, a name from
// Set.xml as it is, even one that happens to read like a text of the window.
QString fieldText(std::u16string_view text);

// True when `utf8` and `utf16` spell the same text, so that a mark below can be held equal to the
// core's text of the same name at compile time.
constexpr bool sameText(std::string_view utf8, std::u16string_view utf16) {
    std::size_t at = 0;
    for (const char16_t unit : utf16) {
        const auto lead = static_cast<unsigned char>(at < utf8.size() ? utf8[at] : 0);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        if (lead == 0 || at + length > utf8.size()) {
            return false;
        }
        char32_t code = length == 1 ? lead : lead & (length == 2 ? 0x1FU : 0x0FU);
        for (std::size_t i = 1; i < length; ++i) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3FU);
        }
        if (code != unit) {
            return false;
        }
        at += length;
    }
    return at == utf8.size();
}

namespace text {

constexpr const char* kWindowTitle = QT_TRANSLATE_NOOP("Tandrel", "KORVEN 无线配对工具");
constexpr const char* kAboutEntry = QT_TRANSLATE_NOOP("Tandrel", "关于 Tandrel(&A)...");

// The status line's texts are the core's, so that the command-line tool says the same.
constexpr const char* kNoReceiver = QT_TRANSLATE_NOOP("Tandrel", "未找到接收器!");
constexpr const char* kNotConnected = QT_TRANSLATE_NOOP("Tandrel", "未连接!!!!!!");
constexpr const char* kPairingSixDots = QT_TRANSLATE_NOOP("Tandrel", "配对中......");
constexpr const char* kPairingNoDots = QT_TRANSLATE_NOOP("Tandrel", "配对中");
constexpr const char* kPairingThreeDots = QT_TRANSLATE_NOOP("Tandrel", "配对中...");
constexpr const char* kConnected = QT_TRANSLATE_NOOP("Tandrel", "已连接！！！");
static_assert(sameText(kNoReceiver, status::kNoReceiver) &&
              sameText(kNotConnected, status::kNotConnected) &&
              sameText(kPairingSixDots, status::kPairingSixDots) &&
              sameText(kPairingNoDots, status::kPairingNoDots) &&
              sameText(kPairingThreeDots, status::kPairingThreeDots) &&
              sameText(kConnected, status::kConnected));
inline constexpr std::array<const char*, 6> kStatusTexts = {
    kNoReceiver, kNotConnected, kPairingSixDots, kPairingNoDots, kPairingThreeDots, kConnected,
};
// In the order successive polls show them.
inline constexpr std::array<const char*, 3> kPairingCycle = {kPairingSixDots, kPairingNoDots,
                                                             kPairingThreeDots};

// What the fields show when there is no name to show.
constexpr const char* kModelNotWritten = QT_TRANSLATE_NOOP("Tandrel", "设备相应型号未写入！");
constexpr const char* kColourNotWritten = QT_TRANSLATE_NOOP("Tandrel", "设备相应外壳颜色未写入！");
constexpr const char* kSwitchNotWritten = QT_TRANSLATE_NOOP("Tandrel", "设备相应轴体未写入！");
// The look-ups' own text for a code Set.xml does not name.
constexpr const char* kOtherType = QT_TRANSLATE_NOOP("Tandrel", "其他类型");
static_assert(sameText(kModelNotWritten, tandrel::kModelNotWritten) &&
              sameText(kColourNotWritten, tandrel::kColourNotWritten) &&
              sameText(kSwitchNotWritten, tandrel::kSwitchNotWritten) &&
              sameText(kOtherType, kOtherTypeName));
inline constexpr std::array<const char*, 4> kFallbackTexts = {kModelNotWritten, kColourNotWritten,
                                                              kSwitchNotWritten, kOtherType};

// Message boxes. The first two end in an ASCII "!", the others in a full-width "！".
constexpr const char* kNoDeviceList = QT_TRANSLATE_NOOP("Tandrel", "获取一类设备失败!");
constexpr const char* kNoScratchBuffer = QT_TRANSLATE_NOOP("Tandrel", "申请设备接口数据空间失败!");
constexpr const char* kPairCommandFailed = QT_TRANSLATE_NOOP("Tandrel", "下发连接指令数据失败！");
constexpr const char* kDeviceInfoFailed =
    QT_TRANSLATE_NOOP("Tandrel", "获取已连接设备的信息失败！");
// Linux: the receiver is there but the udev rule that lets the user open it is missing.
constexpr const char* kNoPermission =
    QT_TRANSLATE_NOOP("Tandrel", "没有访问接收器的权限。请安装 udev 规则，然后重新插入接收器。");

} // namespace text
} // namespace tandrel
