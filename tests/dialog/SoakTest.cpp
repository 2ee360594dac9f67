// Twenty-four simulated hours of the real window over a receiver that misbehaves at random: the
// invariants hold every second, and nothing accumulates.
#include "Window.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace tandrel::test {
namespace {

long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("VmRSS:", 0) != 0) {
    }
    return line.empty() ? -1 : std::stol(line.substr(6));
}

TEST(Soak, TwentyFourHoursOfAMisbehavingReceiver) {
    const QStringList textsOf[] = {{"未找到接收器!", "未连接!!!!!!"},
                                   {"已连接！！！"},
                                   {"配对中......", "配对中", "配对中..."}};
    std::mt19937 random(20261206);
    auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };
    Window w;
    sim::SimInterface& receiver = w.platform.interfaceAt(w.platform.addReceiver());
    w.platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1, .modelCode = 0x0082}));
    long boxes = 0;
    auto fireDueTicks = [&] {
        std::array<int, 3> ids{1, 2, 3};
        std::shuffle(ids.begin(), ids.end(), random);
        const std::set<int> due = w.running();
        for (int id : ids) {
            if (due.contains(id) && w.dialog.isTimerRunning(id)) {
                w.dialog.OnTimer(id);
            }
        }
        // Neither the simulator's record nor the boxes' may grow for a day.
        w.platform.clearWrites();
        boxes += static_cast<long>(std::exchange(w.boxes.texts, {}).size());
        w.boxes.captions.clear();
    };
    w.boxes.duringShow = [&] {
        if (chance(0.5)) {
            fireDueTicks();
        }
    };

    const long descriptorsBefore = openDescriptors();
    long residentBefore = 0;
    w.dialog.OnInitDialog();
    for (int second = 0; second < 24 * 60 * 60; ++second) {
        if (second == 600) { // Qt and the allocator have settled
            residentBefore = residentKiB();
        }
        if (chance(0.002)) {
            w.platform.plugged() ? w.platform.unplug() : w.platform.plug();
        }
        if (chance(0.02)) {
            w.platform.setLinkStatus(std::array<std::uint8_t, 6>{0, 1, 2, 3, 3, 255}[random() % 6]);
        }
        if (chance(0.003)) {
            receiver.readFault = receiver.readFault == sim::ReadFault::None
                                     ? sim::ReadFault::TimesOut
                                     : sim::ReadFault::None;
        }
        if (chance(0.002)) {
            receiver.openFailure =
                receiver.openFailure ? std::nullopt : std::optional(OpenError::PermissionDenied);
        }
        receiver.failingWrites = chance(0.005) ? static_cast<int>(random() % 3) : 0;
        w.platform.setListFails(chance(0.0005));
        if (chance(0.01) && w.connectEnabled()) {
            w.platform.setPairingScript({1, 1, 1, 3});
            w.click(1000);
        }
        if (chance(0.002)) {
            w.click(1001);
        }
        fireDueTicks();

        const std::int32_t state = w.session.ConnectionState;
        ASSERT_TRUE(state >= 0 && state <= 2 && textsOf[state].contains(w.status()))
            << "second " << second << ": " << w.status().toStdString() << " in " << state;
        ASSERT_LE(w.platform.openHandles(), 1) << "second " << second;
        ASSERT_TRUE(w.dialog.isTimerRunning(3));
    }
    EXPECT_EQ(w.boxes.maxDepth, 1) << "message boxes never stack";
    EXPECT_GT(boxes, 0) << "the run met failures worth a box";
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine holds freed memory on purpose; LeakSanitizer checks leaks there.
    EXPECT_LT(residentKiB() - residentBefore, 2048) << "resident memory grew";
#endif
}

} // namespace
} // namespace tandrel::test
