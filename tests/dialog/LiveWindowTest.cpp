// The window while the receiver takes its time: an exchange held in flight on the simulated
// receiver, what the window does meanwhile, and what it shows once the exchange is back.
#include "Window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace tandrel::test {
namespace {

using namespace std::chrono_literals;

const Report kQuery{0x00, 0x03, 0x03, 0x8F};
const Report kPair{0x00, 0x03, 0x8E};

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
