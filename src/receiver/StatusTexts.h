// The status line's texts, shared by the window and the command-line tool so both say the same.
#pragma once

#include <array>
#include <string_view>

namespace tandrel::status {

// Mind the marks: one ASCII "!", six ASCII "!", three full-width "！".
constexpr std::u16string_view kNoReceiver = u"未找到接收器!";
constexpr std::u16string_view kNotConnected = u"未连接!!!!!!";
constexpr std::u16string_view kPairingSixDots = u"配对中......";
constexpr std::u16string_view kPairingNoDots = u"配对中";
constexpr std::u16string_view kPairingThreeDots = u"配对中...";
constexpr std::u16string_view kConnected = u"已连接！！！";

inline constexpr std::array<std::u16string_view, 6> kAll = {
    kNoReceiver, kNotConnected, kPairingSixDots, kPairingNoDots, kPairingThreeDots, kConnected,
};

// The pairing texts in the order successive polls show them.
inline constexpr std::array<std::u16string_view, 3> kPairingCycle = {
    kPairingSixDots, kPairingNoDots, kPairingThreeDots};

} // namespace tandrel::status
