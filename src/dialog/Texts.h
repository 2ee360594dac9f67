// The window's own words, kept in one place and used exactly as written.
#pragma once

#include <QString>
#include <StatusTexts.h>
#include <array>
#include <string_view>

namespace tandrel {

inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

namespace text {

constexpr std::u16string_view kWindowTitle = u"KORVEN 无线配对工具";
constexpr std::u16string_view kAboutEntry = u"关于 Tandrel(&A)...";

// The status line's texts live with the core so the command-line tool says the same.
constexpr std::u16string_view kNoReceiver = status::kNoReceiver;
constexpr std::u16string_view kNotConnected = status::kNotConnected;
constexpr std::u16string_view kPairingSixDots = status::kPairingSixDots;
constexpr std::u16string_view kPairingNoDots = status::kPairingNoDots;
constexpr std::u16string_view kPairingThreeDots = status::kPairingThreeDots;
constexpr std::u16string_view kConnected = status::kConnected;
inline constexpr auto kStatusTexts = status::kAll;

// Message boxes. The first two end in an ASCII "!", the others in a full-width "！".
constexpr std::u16string_view kNoDeviceList = u"获取一类设备失败!";
constexpr std::u16string_view kNoScratchBuffer = u"申请设备接口数据空间失败!";
constexpr std::u16string_view kPairCommandFailed = u"下发连接指令数据失败！";
constexpr std::u16string_view kDeviceInfoFailed = u"获取已连接设备的信息失败！";
// Linux: the receiver is there but the udev rule that lets the user open it is missing.
constexpr std::u16string_view kNoPermission =
    u"没有访问接收器的权限。请安装 udev 规则，然后重新插入接收器。";

} // namespace text
} // namespace tandrel
