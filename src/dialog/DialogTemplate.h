// The dialog templates as data: every control with its id, kind, text, place and styles, and
// the one routine that turns a template into widgets.
#pragma once

#include "DialogUnits.h"

#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <span>

class QIcon;
class QWidget;

namespace tandrel {

enum class ControlKind { PushButton, DefaultPushButton, StaticText, Edit, BlackFrame, Icon };

namespace style {
constexpr std::uint32_t kVisible = 1U << 0;
constexpr std::uint32_t kTabStop = 1U << 1;
constexpr std::uint32_t kGroup = 1U << 2;
constexpr std::uint32_t kBorder = 1U << 3;
constexpr std::uint32_t kReadOnly = 1U << 4;
constexpr std::uint32_t kAutoHScroll = 1U << 5;
} // namespace style

constexpr int kNoId = -1; // controls nobody addresses
constexpr int kOkId = 1;

namespace ctl {
constexpr int kConnect = 1000;
constexpr int kDeviceInfo = 1001;
constexpr int kStatusLine = 1002;
constexpr int kModel = 1003;
constexpr int kColour = 1004;
constexpr int kSwitch = 1005;
constexpr int kFirmware = 1006;
constexpr int kModelLabel = 1007;
constexpr int kColourLabel = 1008;
constexpr int kSwitchLabel = 1009;
constexpr int kFirmwareLabel = 1010;
constexpr int kStatusLamp = 1011;
} // namespace ctl

struct ControlDescriptor {
    int id = kNoId;
    ControlKind kind = ControlKind::StaticText;
    const char* text = ""; // the Chinese source text, marked for translation
    DialogRect rect;
    std::uint32_t styles = 0;
};

struct DialogTemplate {
    int id = 0;
    const char* title = "";
    int width = 0; // client area, dialog units
    int height = 0;
    std::span<const ControlDescriptor> controls; // creation order, which is also the tab order
};

namespace detail {
constexpr std::uint32_t kValueEdit =
    style::kVisible | style::kBorder | style::kTabStop | style::kReadOnly | style::kAutoHScroll;

inline constexpr ControlDescriptor kMainControls[] = {
    {ctl::kConnect,
     ControlKind::PushButton,
     QT_TRANSLATE_NOOP("Tandrel", "连接"),
     {45, 19, 80, 22},
     style::kVisible | style::kTabStop},
    // Never seen: every start-up path replaces it.
    {ctl::kStatusLine,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "未连接！！！"),
     {167, 34, 69, 18},
     style::kVisible | style::kGroup},
    {ctl::kModelLabel,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "型号："),
     {47, 65, 57, 23},
     style::kVisible | style::kGroup},
    {ctl::kModel, ControlKind::Edit, "", {111, 60, 126, 22}, kValueEdit},
    {ctl::kColourLabel,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "颜色："),
     {47, 92, 57, 23},
     style::kVisible | style::kGroup},
    {ctl::kColour, ControlKind::Edit, "", {111, 87, 126, 22}, kValueEdit},
    {ctl::kSwitchLabel,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "轴体："),
     {47, 119, 57, 23},
     style::kVisible | style::kGroup},
    {ctl::kSwitch, ControlKind::Edit, "", {111, 114, 126, 22}, kValueEdit},
    {ctl::kFirmwareLabel,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "固件版本："),
     {47, 146, 57, 23},
     style::kVisible | style::kGroup},
    {ctl::kFirmware, ControlKind::Edit, "", {111, 141, 126, 22}, kValueEdit},
    {ctl::kStatusLamp, ControlKind::BlackFrame, "", {177, 11, 24, 20}, style::kVisible},
    {ctl::kDeviceInfo,
     ControlKind::PushButton,
     QT_TRANSLATE_NOOP("Tandrel", "设备信息"),
     {7, 7, 50, 14},
     style::kTabStop},
};

inline constexpr ControlDescriptor kAboutControls[] = {
    {kNoId, ControlKind::Icon, "", {14, 14, 21, 20}, style::kVisible},
    {kNoId,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "Tandrel，1.0 版"),
     {42, 14, 114, 8},
     style::kVisible | style::kGroup},
    {kNoId,
     ControlKind::StaticText,
     QT_TRANSLATE_NOOP("Tandrel", "版权所有 (C) Tandrel 的作者们"),
     {42, 26, 114, 8},
     style::kVisible | style::kGroup},
    {kOkId,
     ControlKind::DefaultPushButton,
     QT_TRANSLATE_NOOP("Tandrel", "确定"),
     {113, 41, 50, 14},
     style::kVisible | style::kGroup | style::kTabStop},
};
} // namespace detail

inline constexpr DialogTemplate kMainDialog{102, "Tandrel", 296, 180, detail::kMainControls};
inline constexpr DialogTemplate kAboutDialog{100, QT_TRANSLATE_NOOP("Tandrel", "关于 Tandrel"), 170,
                                             62, detail::kAboutControls};

// Builds one control itself, or returns null to let the template's kind decide.
using ControlFactory = std::function<QWidget*(const ControlDescriptor&, QWidget& parent)>;

// Gives `owner` the template's title, client size and controls, created in template order so
// the tab order follows it. Each control with an id can be found again with controlById.
void createFromTemplate(QWidget& owner, const DialogTemplate& dialog, BaseUnits base,
                        const QIcon& icon, const ControlFactory& special = {});

QWidget* controlById(const QWidget& owner, int id);

} // namespace tandrel
