// The window's own words, kept in one place and used exactly as written.
#pragma once

#include <QString>
#include <array>
#include <string_view>

namespace tandrel {

inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

namespace text {

constexpr std::u16string_view kWindowTitle = u"KORVEN 无线配对工具";
constexpr std::u16string_view kAboutEntry = u"关于 Tandrel(&A)...";

// The status line's texts. Mind the marks: one ASCII "!", six ASCII "!", three full-width "！".
constexpr std::u16string_view kNoReceiver = u"未找到接收器!";
constexpr std::u16string_view kNotConnected = u"未连接!!!!!!";
constexpr std::u16string_view kPairingSixDots = u"配对中......";
constexpr std::u16string_view kPairingNoDots = u"配对中";
constexpr std::u16string_view kPairingThreeDots = u"配对中...";
constexpr std::u16string_view kConnected = u"已连接！！！";

inline constexpr std::array<std::u16string_view, 6> kStatusTexts = {
    kNoReceiver, kNotConnected, kPairingSixDots, kPairingNoDots, kPairingThreeDots, kConnected,
};

} // namespace text
} // namespace tandrel
