// One window over a simulated receiver, with everything the window tests read back.
#pragma once

#include "CTandrelDlg.h"
#include "SettleHandlers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <SimulatedPlatform.h>
#include <WindowLanguage.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <set>
#include <vector>

namespace tandrel::test {

struct Fields {
    QString model, colour, switchName, firmware;
    bool operator==(const Fields&) const = default;
};

inline void PrintTo(const Fields& f, std::ostream* os) {
    *os << "{" << f.model.toStdString() << "|" << f.colour.toStdString() << "|"
        << f.switchName.toStdString() << "|" << f.firmware.toStdString() << "}";
}

// The window's words in a language: its Chinese texts, or their English (names as they are).
struct Words {
    QString say(const QString& chinese) const {
        static const std::map<QString, QString> english{
            {"未找到接收器!", "No receiver found!"},
            {"未连接!!!!!!", "Not connected!!!!!!"},
            {"配对中......", "Pairing......"},
            {"配对中", "Pairing"},
            {"配对中...", "Pairing..."},
            {"已连接！！！", "Connected!!!"},
            {"设备相应型号未写入！", "No model stored!"},
            {"设备相应外壳颜色未写入！", "No colour stored!"},
            {"设备相应轴体未写入！", "No switch stored!"},
            {"获取一类设备失败!", "Cannot list the HID devices!"},
            {"申请设备接口数据空间失败!", "Out of memory for the device list!"},
            {"下发连接指令数据失败！", "Cannot send the pair command!"},
            {"获取已连接设备的信息失败！", "Cannot read the keyboard's information!"},
            {"没有访问接收器的权限。请安装 udev 规则，然后重新插入接收器。",
             "No permission to use the receiver. Install the udev rule, then unplug the receiver "
             "and plug it in again."}};
        const auto found = english.find(chinese);
        return language == DisplayLanguage::English && found != english.end() ? found->second
                                                                              : chinese;
    }
    Fields say(const Fields& f) const {
        return {say(f.model), say(f.colour), say(f.switchName), say(f.firmware)};
    }
    std::vector<QString> say(const std::vector<QString>& texts) const {
        std::vector<QString> said;
        for (const QString& text : texts) {
            said.push_back(say(text));
        }
        return said;
    }
    DisplayLanguage language;
};

// The window's texts in a language for as long as this lives; windows built meanwhile speak it.
struct Speaking : Words {
    explicit Speaking(DisplayLanguage spoken) : Words{spoken} { setWindowLanguage(spoken); }
    ~Speaking() { setWindowLanguage(DisplayLanguage::Chinese); }
    Speaking(const Speaking&) = delete;
    Speaking& operator=(const Speaking&) = delete;
};

// Records the boxes shown, each captioned with the application name. A box runs its own event loop,
// in which ticks go on: `duringShow` stands for what happens meanwhile.
struct Boxes final : MessageSink {
    void show(QWidget&, const QString& caption, const QString& text) override {
        EXPECT_EQ(caption, "tandrel");
        texts.push_back(text);
        if (duringShow) {
            duringShow();
        }
    }
    std::vector<QString> texts;
    std::function<void()> duringShow;
};

struct Window {
    QString status() const { return static_cast<QLabel*>(dialog.control(1002))->text(); }
    bool connectEnabled() const { return dialog.control(1000)->isEnabled(); }
    Fields shown() const {
        auto text = [this](int id) { return static_cast<QLineEdit*>(dialog.control(id))->text(); };
        return {text(1003), text(1004), text(1005), text(1006)};
    }
    std::set<int> running() const {
        std::set<int> ids{1, 2, 3};
        std::erase_if(ids, [this](int id) { return !dialog.isTimerRunning(id); });
        return ids;
    }
    void settle() { settleHandlers(dialog); }
    void click(int id) {
        static_cast<QPushButton*>(dialog.control(id))->click();
        settle();
    }
    void tick(int id) {
        dialog.OnTimer(id);
        settle();
    }
    void init() {
        dialog.OnInitDialog();
        settle();
    }

    sim::SimulatedPlatform platform;
    DeviceRecord device;
    ReceiverLink receiver{platform, device};
    ReceiverWorker worker{receiver, device};
    SessionState session;
    Boxes boxes;
    std::vector<std::chrono::milliseconds> pauses; // made on the receiver worker
    CTandrelDlg dialog{
        {session,
         worker,
         boxes,
         [this](std::chrono::milliseconds d) { pauses.push_back(d); },
         QStringLiteral("tandrel"),
         {},
         NameLookups{[](int c) { return u"switch " + std::u16string(1, u'0' + char16_t(c)); },
                     [](int c) { return u"colour " + std::u16string(1, u'0' + char16_t(c)); }},
         {}}};
};

} // namespace tandrel::test
