// The window's behaviour: every row of the transition table, the typical runs, and message boxes
// met by ticks in their own event loop.
#include "Window.h"

#include <gtest/gtest.h>

namespace tandrel::test {
namespace {

using namespace std::chrono_literals;

const char kNoReceiver[] = "未找到接收器!";
const char kNotConnected[] = "未连接!!!!!!";
const char kPairingSix[] = "配对中......";
const char kPairingNone[] = "配对中";
const char kPairingThree[] = "配对中...";
const char kConnected[] = "已连接！！！";
const char kNoList[] = "获取一类设备失败!";
const char kNoScratch[] = "申请设备接口数据空间失败!";
const char kPairFailed[] = "下发连接指令数据失败！";
const char kInfoFailed[] = "获取已连接设备的信息失败！";
const char kNoPermission[] = "没有访问接收器的权限。请安装 udev 规则，然后重新插入接收器。";

const Fields kEmpty{};
const Fields kBefore{"m0", "c0", "s0", "f0"};
// The receiver's answer holds no keyboard information, while the answer stored before the event
// does: every row shows which of the two the fields were decoded from, and a record that was not
// cleared before a failed query shows too.
const Fields kFreshNotWritten{"设备相应型号未写入！", "设备相应外壳颜色未写入！",
                              "设备相应轴体未写入！", "2.05"};
const Fields kStored{"TESSEL", "colour 8", "switch 6", "9.09"};

// Every event meets a receiver whose answer holds no keyboard information.
struct World : Window {
    World() {
        platform.setAnswer(
            sim::makeAnswer({.firmwareMajor = 2, .firmwareMinor = 5, .infoPresent = false}));
    }
};

enum class Event { Init, Connect, Timer1, Timer2, Timer3, Refresh };

// The receiver's condition in a row: a link status, or one of these.
constexpr int Absent = -1, ListFails = -2, ScratchFails = -3, Denied = -4;
constexpr int Silent = -5; // found, takes the command, never answers

struct Row {
    const char* name;
    Event event;
    int receiver;
    std::set<int> timersBefore;
    std::int32_t state;     // 42 stands for "unchanged"
    const char* statusText; // null: unchanged
    Fields fields;
    bool connectEnabled;
    std::set<int> timersAfter;
    std::vector<QString> boxes;
};

constexpr std::int32_t kUnchanged = 42;

struct TransitionTable : World {
    void arrange(const Row& row) {
        if (row.receiver != Absent) {
            sim::SimInterface& spec = platform.interfaceAt(platform.addReceiver());
            platform.setListFails(row.receiver == ListFails);
            platform.setScratchFails(row.receiver == ScratchFails);
            if (row.receiver == Denied) {
                spec.openFailure = OpenError::PermissionDenied;
            } else if (row.receiver == Silent) {
                spec.readFault = sim::ReadFault::TimesOut;
            }
            platform.setLinkStatus(static_cast<std::uint8_t>(row.receiver < 0 ? 3 : row.receiver));
        }
        session.ConnectionState = kUnchanged;
        dialog.setStatus(QStringLiteral("before"));
        dialog.modelText = kBefore.model;
        dialog.colourText = kBefore.colour;
        dialog.switchText = kBefore.switchName;
        dialog.firmwareText = kBefore.firmware;
        dialog.UpdateData(false);
        // Connect starts disabled before watch ticks so that enabling shows.
        dialog.control(1000)->setEnabled(row.event != Event::Timer3);
        for (int id : row.timersBefore) {
            dialog.startTimer(id);
        }
        device.storeAnswer(sim::makeAnswer({9, 9, 7, 9, 0, 0x0141})); // a TESSEL, firmware 9.09
    }

    void act(Event event) {
        if (event == Event::Init) {
            init();
        } else if (event == Event::Connect || event == Event::Refresh) {
            click(event == Event::Connect ? 1000 : 1001);
        } else {
            tick(static_cast<int>(event) - static_cast<int>(Event::Timer1) + 1);
        }
    }
};

using enum Event;
const std::set<int> k3{3}, k13{1, 3}, k23{2, 3}, k123{1, 2, 3};

// clang-format off
const Row kRows[] = {
    // name, event, receiver, timers before; then state, status (null: unchanged), fields, Connect
    // enabled, timers after, boxes
    {"init: no receiver", Init, Absent, {}, 0, kNoReceiver, kBefore, false, k3, {}},
    {"init: silent", Init, Silent, {}, 0, kNotConnected, kEmpty, true, k3, {}},
    {"init: status 3", Init, 3, {}, 1, kConnected, kFreshNotWritten, true, k23, {}},
    {"init: status 1", Init, 1, {}, 2, kPairingSix, kEmpty, true, k13, {}},
    {"init: status 2", Init, 2, {}, 0, kNotConnected, kEmpty, true, k3, {}},
    {"init: status 0", Init, 0, {}, 0, kNotConnected, kEmpty, true, k3, {}},
    {"connect: no device list", Connect, ListFails, k3, kUnchanged, nullptr, kEmpty, true, k3, {kNoList, kPairFailed}},
    {"connect: no scratch buffer", Connect, ScratchFails, k3, kUnchanged, nullptr, kEmpty, true, k3, {kNoScratch, kPairFailed}},
    {"connect: no answer", Connect, Absent, k13, kUnchanged, nullptr, kEmpty, true, k13, {kPairFailed}},
    {"connect: permission denied", Connect, Denied, k3, kUnchanged, nullptr, kEmpty, true, k3, {kNoPermission, kPairFailed}},
    {"connect: silent", Connect, Silent, k23, 0, kNotConnected, kEmpty, true, k23, {}},
    {"connect: status 3", Connect, 3, k3, 1, kConnected, kFreshNotWritten, true, k23, {}},
    {"connect: status 1", Connect, 1, k3, 2, kPairingSix, kEmpty, true, k13, {}},
    {"connect: status 2", Connect, 2, k123, 0, kNotConnected, kEmpty, true, k123, {}},
    {"timer 1: status 3", Timer1, 3, k13, 1, kConnected, kStored, true, k23, {}},
    {"timer 1: status 1", Timer1, 1, k13, 2, kPairingSix, kBefore, true, k13, {}},
    {"timer 1: status 0", Timer1, 0, k13, 0, kNotConnected, kBefore, true, k3, {}},
    {"timer 1: silent", Timer1, Silent, k123, 0, kNotConnected, kBefore, true, k23, {}},
    {"timer 2: status 3", Timer2, 3, k23, 1, kConnected, kStored, true, k23, {}},
    {"timer 2: status 1", Timer2, 1, k23, 2, kPairingSix, kBefore, true, k13, {}},
    {"timer 2: status 255", Timer2, 255, k23, 0, kNotConnected, kBefore, true, k3, {}},
    {"timer 3: no receiver", Timer3, Absent, k123, 0, kNoReceiver, kEmpty, false, k3, {}},
    {"timer 3: silent", Timer3, Silent, k3, 0, kNotConnected, kEmpty, true, k3, {}},
    {"timer 3: status 3", Timer3, 3, k3, kUnchanged, nullptr, kBefore, true, k13, {}},
    {"timer 3: status 1", Timer3, 1, k3, 2, kPairingSix, kEmpty, true, k13, {}},
    {"timer 3: status 2", Timer3, 2, k23, 0, kNotConnected, kEmpty, true, k23, {}},
    {"refresh: no device list", Refresh, ListFails, k23, kUnchanged, nullptr, kBefore, true, k23, {kNoList, kInfoFailed}},
    {"refresh: no scratch buffer", Refresh, ScratchFails, k3, kUnchanged, nullptr, kBefore, true, k3, {kNoScratch, kInfoFailed}},
    {"refresh: no answer", Refresh, Absent, k123, kUnchanged, nullptr, kBefore, true, k123, {kInfoFailed}},
    {"refresh: silent", Refresh, Silent, k13, kUnchanged, nullptr, kBefore, true, k13, {kInfoFailed}},
    {"refresh: status 3", Refresh, 3, k3, 1, kConnected, kStored, true, k23, {}},
    {"refresh: status 1", Refresh, 1, k3, 2, kPairingSix, kStored, true, k13, {}},
    {"refresh: status 2", Refresh, 2, k123, 0, kNotConnected, kStored, true, k123, {}},
    {"refresh: status 0", Refresh, 0, k3, 0, kNotConnected, kStored, true, k3, {}},
    {"refresh: status 255", Refresh, 255, k3, 0, kNotConnected, kStored, true, k3, {}},
};
// clang-format on

TEST(TransitionRows, EveryEventAndCondition) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        TransitionTable c;
        c.arrange(row);
        c.act(row.event);

        EXPECT_EQ(c.session.ConnectionState, row.state);
        EXPECT_EQ(c.status(), row.statusText ? QString(row.statusText) : QStringLiteral("before"));
        EXPECT_EQ(c.shown(), row.fields);
        EXPECT_EQ(c.connectEnabled(), row.connectEnabled);
        EXPECT_EQ(c.running(), row.timersAfter);
        EXPECT_EQ(c.boxes.texts, row.boxes);
        if (row.event == Connect) {
            const bool sent = row.boxes.empty();
            EXPECT_EQ(c.pauses,
                      sent ? std::vector{100ms} : std::vector<std::chrono::milliseconds>{});
            const Report pair{0x00, 0x03, 0x8E};
            EXPECT_EQ(c.platform.writes().empty() ? Report{} : c.platform.writes().front().bytes,
                      sent ? pair : Report{});
        }
    }
}

class Behaviour : public ::testing::Test, public World {
protected:
    // Ticks timer `id` (0: clicks Connect) and checks what the window then shows.
    void step(int id, std::int32_t state, const char* text, const std::set<int>& timers) {
        id == 0 ? click(1000) : tick(id);
        showing(state, text, timers);
    }
    void showing(std::int32_t state, const char* text, const std::set<int>& timers) {
        EXPECT_EQ(session.ConnectionState, state);
        EXPECT_EQ(status(), QString(text));
        EXPECT_EQ(running(), timers);
        // It fits the status line, which widens to the right for the longest, inside the window.
        EXPECT_TRUE(fitsIn(*dialog.control(1002), status()));
        EXPECT_LE(dialog.control(1002)->geometry().right(), dialog.width() - 1);
        // A screen reader that asks reads the status line's accessible name, and the lamp's;
        // each change of it is announced.
        const QString name = dialog.control(1002)->accessibleName();
        EXPECT_EQ(dialog.control(1011)->accessibleName(), name);
        if (heard.empty() || heard.back() != name) {
            heard.push_back(name);
        }
    }
    std::vector<QString> heard;
    void plugInReceiver(std::uint8_t linkStatus) {
        platform.addReceiver();
        platform.setLinkStatus(linkStatus);
        platform.setAnswer(kV540N);
    }
    const Fields kKeyboard{"V540N", "colour 1", "switch 2", "1.05"};
};

TEST_F(Behaviour, StartAloneThenPlugInAndPairTwice) {
    init();
    showing(0, kNoReceiver, k3);
    EXPECT_FALSE(connectEnabled());
    plugInReceiver(0);
    step(3, 0, kNotConnected, k3);
    EXPECT_TRUE(connectEnabled());
    platform.setPairingScript({1, 1, 1, 3});
    step(0, 2, kPairingSix, k13);
    step(1, 2, kPairingSix, k13);
    step(1, 2, kPairingNone, k13);
    step(1, 1, kConnected, k23);
    EXPECT_EQ(shown(), kKeyboard);
    edition = 1; // shown at the next display update
    step(2, 1, kConnected, k23);
    EXPECT_EQ(shown(), (Fields{"V540N", "edited colour 1", "edited switch 2", "1.05"}));
    // A second pairing goes on with the cycle where the first one left it.
    platform.setPairingScript({1, 1, 1, 1});
    step(0, 2, kPairingSix, k123);
    step(1, 2, kPairingThree, k123);
    step(1, 2, kPairingSix, k123);
    step(1, 2, kPairingNone, k123);
    // Each change of state is heard once, not each pairing text.
    EXPECT_EQ(heard, (std::vector<QString>{"未找到接收器!", "未连接!!!!!!", "配对中",
                                           "已连接！！！", "配对中"}));
    EXPECT_EQ(dialog.timerPeriod(1), 1000ms);
    EXPECT_EQ(dialog.timerPeriod(2), 1000ms);
    EXPECT_EQ(dialog.timerPeriod(3), 1000ms);
}

TEST_F(Behaviour, APairingStepOutsideTheCycleStartsItAgain) {
    plugInReceiver(1);
    for (const std::int32_t step : {3, -1, 1000}) {
        session.PairingTextStep = step;
        tick(1);
        EXPECT_EQ(status(), QString(kPairingSix)) << step;
        EXPECT_EQ(session.PairingTextStep, 1) << step;
    }
}

TEST_F(Behaviour, WatchTicksNeverPostponeARunningPairingPoll) {
    plugInReceiver(1);
    init();
    ASSERT_TRUE(dialog.isTimerRunning(1));
    const int starts = dialog.timerStarts(1);
    for (const std::uint8_t status : {std::uint8_t{1}, std::uint8_t{3}}) {
        platform.setLinkStatus(status);
        tick(3);
        EXPECT_EQ(dialog.timerStarts(1), starts) << "status " << int(status);
    }
    dialog.stopTimer(1);
    tick(3);
    EXPECT_TRUE(dialog.isTimerRunning(1));
    EXPECT_EQ(dialog.timerStarts(1), starts + 1);
    const int connectedStarts = dialog.timerStarts(2);
    tick(2); // a refresh still restarts the connected poll
    EXPECT_EQ(dialog.timerStarts(2), connectedStarts + 1);
}

TEST_F(Behaviour, ReceiverGoneBetweenPollAndRefresh) {
    plugInReceiver(3);
    init();
    tick(3);
    platform.unplugAfterAnswers(1); // the poll's answer is the last
    step(1, 1, kConnected, k23);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kInfoFailed});
    step(3, 0, kNoReceiver, k3);
}

TEST_F(Behaviour, TicksDuringAnOpenMessageBoxNeverStackAnother) {
    plugInReceiver(3);
    init();
    platform.unplug();
    dialog.startTimer(1);
    int nestedTicks = 0;
    boxes.duringShow = [&] {
        ++nestedTicks;
        click(1001); // fails again: must show nothing
        tick(1);
        tick(2);
    };
    click(1001);
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kInfoFailed});
    showing(0, kNotConnected, k3);

    boxes.duringShow = nullptr;
    click(1001);
    EXPECT_EQ(boxes.texts.size(), 2u) << "once the box is closed, failures are shown again";
}

} // namespace
} // namespace tandrel::test
