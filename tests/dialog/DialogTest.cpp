// The main window: its controls, fonts, colours by state, data exchange and keys; its behaviour,
// every row of the transition table, the typical runs and message boxes met by ticks in their own
// event loop; and the window while the receiver takes its time, an exchange held in flight.
#include "Presentation.h"
#include "Window.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <Texts.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tandrel::test {
namespace {

using namespace std::chrono_literals;

const Report kQuery{0x00, 0x03, 0x03, 0x8F};
const Report kPair{0x00, 0x03, 0x8E};

class MainDialog : public ::testing::Test, public Window {
protected:
    QWidget* at(int id) { return dialog.control(id); }
};

TEST_F(MainDialog, TabMovesThroughButtonAndEditsEachLabelledAndLeavesThemUnselected) {
    std::vector<int> order;
    QWidget* widget = dialog.control(1000);
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName().toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != dialog.control(1000));
    EXPECT_EQ(order, (std::vector<int>{1000, 1003, 1004, 1005, 1006, 1001}));
    for (const int field : {1003, 1004, 1005, 1006}) { // a screen reader names it by its label
        EXPECT_EQ(static_cast<QLabel*>(at(field + 4))->buddy(), at(field)) << field;
    }

    // What Orca alone would not notice: Tab leaves a field unselected, the keyboard still selects
    // and copies it whole, and its text reads as one run with its characters in place.
    dialog.modelText = QStringLiteral("V540N");
    dialog.UpdateData(false);
    dialog.show();
    dialog.activateWindow();
    QCoreApplication::processEvents();
    at(1000)->setFocus();
    QTest::keyClick(at(1000), Qt::Key_Tab);
    auto* field = static_cast<QLineEdit*>(at(1003));
    ASSERT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->hasSelectedText());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("V540N"));

    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(field)->textInterface();
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 5));
    for (int offset = 0; offset < 5; ++offset) {
        text->attributes(offset, &start, &end);
        EXPECT_EQ(std::pair(start, end), std::pair(0, 5)) << offset;
        const QRect character = text->characterRect(offset);
        EXPECT_TRUE(QRect(field->mapToGlobal(QPoint()), field->size()).contains(character));
        const QPoint firstQuarter(character.left() + character.width() / 4, character.center().y());
        EXPECT_EQ(text->offsetAtPoint(firstQuarter), offset);
    }
    EXPECT_TRUE(text->characterRect(5).isEmpty());
}

TEST_F(MainDialog, LabelFontOnStatusAndLabelsValueFontOnEditsAndConnect) {
    const QStringList families{"Microsoft YaHei UI", "WenQuanYi Micro Hei", "Noto Sans CJK SC"};
    for (const int id : {1002, 1007, 1008, 1009, 1010, 1000, 1003, 1004, 1005, 1006}) {
        SCOPED_TRACE(id);
        const bool label = id >= 1007 || id == 1002;
        const QFont font = at(id)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), label ? 15.0 : 16.5);
        EXPECT_EQ(font.weight(), label ? QFont::Thin : QFont::Normal);
        EXPECT_EQ(font.families(), families);
    }
}

int pixelsNear(const QImage& image, QColor c) {
    int count = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor p = image.pixelColor(i % image.width(), i / image.width());
        count += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                     std::abs(p.blue() - c.blue()) <
                 120;
    }
    return count;
}

TEST_F(MainDialog, StatusTextAndLampTakeTheColourOfTheState) {
    struct Case {
        std::int32_t state;
        QString text;
        QColor colour;
    };
    const Case cases[] = {
        {1, "已连接！！！", QColor(0, 255, 0)},
        {2, "配对中......", QColor(0, 0, 255)},
        {0, "未连接!!!!!!", QColor(255, 0, 0)},
    };
    struct PaintCounter final : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
        int paints = 0;
    } lampPaints;
    dialog.show();
    QWidget* lamp = at(1011);
    lamp->installEventFilter(&lampPaints);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        session.ConnectionState = c.state;
        lampPaints.paints = 0;
        dialog.setStatus(c.text);
        QCoreApplication::processEvents();
        EXPECT_GT(lampPaints.paints, 0) << "the lamp is redrawn with the status";
        lampPaints.paints = 0;
        dialog.setStatus(c.text); // as the receiver watch does every second
        QCoreApplication::processEvents();
        EXPECT_EQ(lampPaints.paints, 0) << "an unchanged status is not drawn again";
        const QImage lampImage = lamp->grab().toImage();
        EXPECT_EQ(lampImage.pixelColor(lamp->rect().center()), c.colour);
        EXPECT_EQ(lampImage.pixelColor(0, 0), QColor(Qt::black));
        // A repaint of the whole window must not turn the lamp red.
        EXPECT_EQ(dialog.grab().toImage().pixelColor(lamp->geometry().center()), c.colour);

        const QImage statusImage = at(1002)->grab().toImage();
        EXPECT_GT(pixelsNear(statusImage, c.colour), 10);
        for (const Case& other : cases) {
            if (other.state != c.state) {
                EXPECT_EQ(pixelsNear(statusImage, other.colour), 0) << other.state;
            }
        }
    }
}

TEST_F(MainDialog, TextsGoToTheEditsAndComeBackOnEnter) {
    dialog.modelText = QStringLiteral("V540N");
    dialog.colourText = QStringLiteral("曜石黑");
    dialog.switchText = QStringLiteral("红轴");
    dialog.firmwareText = QStringLiteral("1.05");
    dialog.UpdateData(false);
    EXPECT_EQ(shown(), (Fields{"V540N", "曜石黑", "红轴", "1.05"}));

    static_cast<QLineEdit*>(at(1005))->setText(QStringLiteral("茶轴"));
    dialog.show();
    at(1005)->setFocus();
    QTest::keyClick(at(1005), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.switchText, QStringLiteral("茶轴"));
    EXPECT_EQ(dialog.modelText, QStringLiteral("V540N"));
}

TEST_F(MainDialog, EnterOnConnectClicksItAndEscapeClosesTheWindow) {
    dialog.show();
    QSignalSpy clicks(static_cast<QPushButton*>(at(1000)), &QPushButton::clicked);
    at(1000)->setFocus();
    QTest::keyClick(at(1000), Qt::Key_Return);
    QTest::keyClick(at(1000), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(dialog.isVisible());

    at(1003)->setFocus();
    QTest::keyClick(at(1003), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// In English each status fits the status line, the pairing dots cycling as in Chinese; the boxes
// and the fallbacks, which fit their fields, are English; a name from Set.xml stays as it is.
TEST(InEnglish, StatusBoxesAndFallbacks) {
    const Speaking english(true);
    Window w;
    const auto shows = [&w](const char* status) {
        EXPECT_EQ(w.status(), status);
        EXPECT_TRUE(fitsIn(*w.dialog.control(1002), status)) << status;
    };
    w.init();
    shows("No receiver found!");
    EXPECT_FALSE(fitsIn(*w.dialog.control(1002), w.status().repeated(2))); // the measure works
    const std::size_t receiver = w.platform.addReceiver();
    w.platform.interfaceAt(receiver).openFailure = OpenError::PermissionDenied;
    w.tick(3);
    shows("Not connected!!!!!!");
    w.click(1000);
    EXPECT_EQ(w.boxes.texts,
              (std::vector<QString>{"No permission to use the receiver. Install the "
                                    "udev rule, then unplug the receiver and plug it "
                                    "in again.",
                                    "Cannot send the pair command!"}));
    w.platform.interfaceAt(receiver).openFailure.reset();
    w.platform.setAnswer(sim::makeAnswer({.firmwareMajor = 2, .infoPresent = false}));
    w.platform.setLinkStatus(1);
    const std::pair<int, const char*> pairing[] = {
        {3, "Pairing......"}, {1, "Pairing......"}, {1, "Pairing"}, {1, "Pairing..."}};
    for (const auto& [timer, text] : pairing) {
        w.tick(timer);
        shows(text);
    }
    w.platform.setLinkStatus(3);
    w.tick(1);
    shows("Connected!!!");
    EXPECT_EQ(w.shown(),
              (Fields{"No model stored!", "No colour stored!", "No switch stored!", "2.00"}));
    for (const QString& fallback : {w.shown().model, w.shown().colour, w.shown().switchName}) {
        EXPECT_TRUE(fitsIn(*w.dialog.control(1004), fallback)) << fallback.toStdString();
    }
    EXPECT_EQ(fieldText(u"连接"), "连接");
    EXPECT_EQ(fieldText(u"其他类型"), "Other");
}

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
            EXPECT_EQ(c.platform.writes().empty() ? Report{} : c.platform.writes().front().bytes,
                      sent ? kPair : Report{});
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
    for (const int id : {1, 2, 3}) {
        EXPECT_EQ(dialog.timerPeriod(id), 1000ms) << id;
    }
}

TEST_F(Behaviour, APairingStepOutsideTheCycleStartsItAgainAndWatchTicksNeverPostponeThePoll) {
    plugInReceiver(1);
    for (const std::int32_t step : {3, -1, 1000}) {
        session.PairingTextStep = step;
        tick(1);
        EXPECT_EQ(status(), QString(kPairingSix)) << step;
        EXPECT_EQ(session.PairingTextStep, 1) << step;
    }
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

// Runs the event loop for `span` and counts how often a 10 ms timer fired meanwhile.
int tenMsTicksDuring(std::chrono::milliseconds span) {
    QTimer ticker;
    int fired = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&fired] { ++fired; });
    ticker.start(10ms);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < span.count()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return fired;
}

struct Live : ::testing::Test, Window {
    Live() {
        platform.addReceiver();
        platform.setAnswer(kV540N);
    }
    // Runs the event loop until the receiver worker waits in a held write.
    bool writeHeld() {
        QElapsedTimer clock;
        clock.start();
        while (!platform.awaitHeldWrite(1ms)) {
            if (clock.elapsed() > 10'000) {
                return false;
            }
            QCoreApplication::processEvents();
        }
        return true;
    }
    // The tick's write waits until released, and with it the tick's handler.
    bool holdTick(int id) {
        platform.holdWrites();
        dialog.OnTimer(id);
        return writeHeld();
    }
    std::vector<Report> written() const {
        std::vector<Report> bytes;
        for (const sim::WrittenReport& w : platform.writes()) {
            bytes.push_back(w.bytes);
        }
        return bytes;
    }
};

TEST_F(Live, WhileAnExchangeIsHeldTheWindowPaintsAndEveryRequestWaitsItsTurn) {
    platform.setLinkStatus(1);
    init();
    const Fields before = shown();
    platform.clearWrites();
    ASSERT_TRUE(holdTick(1));
    platform.setPairingScript({3});
    for (int i = 0; i < 2; ++i) {
        dialog.OnTimer(3);
        dialog.OnTimer(1);
        dialog.OnConnectClicked();
    }
    EXPECT_GE(tenMsTicksDuring(300ms), 10);
    EXPECT_EQ(status(), "配对中......");
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(running(), (std::set<int>{1, 3}));

    platform.releaseWrites();
    settle();
    // The held poll, then one waiting tick of each timer, then both clicks.
    EXPECT_EQ(written(),
              (std::vector<Report>{kQuery, kQuery, kQuery, kPair, kQuery, kPair, kQuery}));
    EXPECT_EQ(session.PairingTextStep, 2);
    EXPECT_EQ(session.ConnectionState, 1);
    EXPECT_EQ(status(), "已连接！！！");
    EXPECT_EQ(shown(), (Fields{"V540N", "colour 1", "switch 2", "1.05"}));
    EXPECT_EQ(running(), (std::set<int>{1, 2, 3}));
    EXPECT_EQ(pauses, (std::vector{100ms, 100ms}));
}

TEST_F(Live, AStoppedTimersWaitingTickNeverRuns) {
    platform.setLinkStatus(1);
    init();
    ASSERT_TRUE(holdTick(1));
    dialog.OnTimer(3);
    dialog.OnTimer(1);
    platform.unplug();
    platform.releaseWrites();
    settle();
    // The held poll finds the receiver gone and stops its timer; the watch then says so.
    EXPECT_EQ(status(), "未找到接收器!");
    EXPECT_EQ(running(), std::set<int>{3});
}

TEST_F(Live, ClosingDuringAHeldExchangeEndsTheWindowAtOnce) {
    auto other = std::make_unique<CTandrelDlg>(DialogContext{
        session, worker, boxes, [](std::chrono::milliseconds) {}, "tandrel", {}, {}, {}});
    other->show();
    platform.holdWrites();
    other->OnInitDialog();
    ASSERT_TRUE(writeHeld());
    other->close();
    EXPECT_FALSE(other->isVisible());
    other.reset();
    platform.releaseWrites();
    tenMsTicksDuring(50ms); // the answer comes back to nobody
    init();
    EXPECT_EQ(status(), "未连接!!!!!!");
    EXPECT_EQ(platform.openHandles(), 1);
}

} // namespace
} // namespace tandrel::test
