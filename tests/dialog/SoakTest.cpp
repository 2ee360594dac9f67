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

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST(Soak, TwentyFourHoursOfAMisbehavingReceiver) {
    const QStringList textsOf[] = {{"未找到接收器!", "未连接!!!!!!"},
                                   {"已连接！！！"},
                                   {"配对中......", "配对中", "配对中..."}};
    const QColor lampOf[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    std::mt19937 random(20261206);
    auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };

    Window w;
    auto [platform, dialog, boxes] = std::tie(w.platform, w.dialog, w.boxes);
    sim::SimInterface& receiver = platform.interfaceAt(platform.addReceiver());
    platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1, .modelCode = 0x0082}));
    long shownBoxes = 0;
    auto fireDueTicks = [&] {
        std::array<int, 3> ids{1, 2, 3};
        std::shuffle(ids.begin(), ids.end(), random);
        const std::array<bool, 3> due{dialog.isTimerRunning(1), dialog.isTimerRunning(2),
                                      dialog.isTimerRunning(3)};
        for (int id : ids) {
            if (due.at(static_cast<std::size_t>(id - 1)) && dialog.isTimerRunning(id)) {
                dialog.OnTimer(id);
            }
        }
        // Neither the simulator's record nor the boxes' may grow for a day.
        platform.clearWrites();
        shownBoxes += static_cast<long>(boxes.texts.size());
        boxes.texts.clear();
        boxes.captions.clear();
    };
    boxes.duringShow = [&] {
        if (chance(0.5)) {
            fireDueTicks();
        }
    };

    std::array<long, 3> secondsInState{};
    const std::size_t descriptorsBefore = openDescriptors();
    long residentBefore = 0;
    dialog.OnInitDialog();
    for (int second = 0; second < 24 * 60 * 60; ++second) {
        if (second == 600) { // Qt and the allocator have settled
            residentBefore = residentKiB();
        }
        if (chance(0.002)) {
            platform.plugged() ? platform.unplug() : platform.plug();
        }
        if (chance(0.02)) {
            constexpr std::array<std::uint8_t, 6> statuses{0, 1, 2, 3, 3, 255};
            platform.setLinkStatus(statuses.at(random() % statuses.size()));
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
        if (chance(0.005)) {
            receiver.failingWrites = static_cast<int>(random() % 3);
        }
        if (chance(0.0005)) {
            platform.setListFails(true);
        } else if (chance(0.01)) {
            platform.setListFails(false);
        }
        if (chance(0.01) && w.connectEnabled()) {
            platform.setPairingScript({1, 1, 1, 3});
            w.click(1000);
        }
        if (chance(0.002)) {
            w.click(1001);
        }
        fireDueTicks();

        const std::int32_t state = w.session.ConnectionState;
        ASSERT_TRUE(state >= 0 && state <= 2) << "second " << second;
        ASSERT_TRUE(textsOf[state].contains(w.status()))
            << "second " << second << ": " << w.status().toStdString() << " in " << state;
        ASSERT_LE(platform.openHandles(), 1) << "second " << second;
        ASSERT_TRUE(dialog.isTimerRunning(3));
        ++secondsInState.at(static_cast<std::size_t>(state));
        if (second % 3600 == 0) {
            QWidget* lamp = dialog.control(1011);
            ASSERT_EQ(lamp->grab().toImage().pixelColor(lamp->rect().center()), lampOf[state]);
        }
    }
    for (long seconds : secondsInState) {
        EXPECT_GT(seconds, 600) << "each state is visited for a good while";
    }
    EXPECT_EQ(boxes.maxDepth, 1) << "message boxes never stack";
    EXPECT_GT(shownBoxes, 0) << "the run met failures worth a box";
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine holds freed memory on purpose; LeakSanitizer checks leaks there.
    EXPECT_LT(residentKiB() - residentBefore, 2048) << "resident memory grew";
#endif
}

} // namespace
} // namespace tandrel::test
