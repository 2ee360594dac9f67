// Twenty-four simulated hours of the real window over a receiver that misbehaves at random.
#include "CTandrelDlg.h"
#include "DialogTemplate.h"
#include "Presentation.h"
#include "Texts.h"

#include <QLabel>
#include <QPushButton>
#include <SimulatedPlatform.h>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
#define TANDREL_UNDER_ASAN 1
#endif

namespace tandrel {
namespace {

constexpr int kSeconds = 24 * 60 * 60;
constexpr int kWarmUp = 600; // Qt and the allocator settle before the memory baseline

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

// Boxes run their own event loop, so ticks may arrive while one is open; it fires some here.
class NestingSink final : public MessageSink {
public:
    void show(QWidget&, const QString&, const QString&) override {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++shown;
        if (duringShow) {
            duringShow();
        }
        --depth;
    }
    int depth = 0;
    int maxDepth = 0;
    long shown = 0;
    std::function<void()> duringShow;
};

bool textBelongsToState(const QString& text, std::int32_t state) {
    auto is = [&text](std::u16string_view candidate) { return text == toQString(candidate); };
    switch (state) {
    case connection::kNotConnected:
        return is(text::kNoReceiver) || is(text::kNotConnected);
    case connection::kConnected:
        return is(text::kConnected);
    case connection::kPairing:
        return is(text::kPairingSixDots) || is(text::kPairingNoDots) || is(text::kPairingThreeDots);
    default:
        return false;
    }
}

TEST(Soak, TwentyFourHoursOfAMisbehavingReceiver) {
    std::mt19937 random(20261206);
    auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };

    sim::SimulatedPlatform platform;
    const std::size_t receiverIndex = platform.addReceiver();
    platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1,
                                        .firmwareMinor = 5,
                                        .switchCode = 2,
                                        .colourCode = 1,
                                        .modelCode = 0x0082}));
    DeviceRecord device;
    ReceiverLink receiver(platform, device);
    SessionState session;
    NestingSink boxes;
    CTandrelDlg dialog({session,
                        device,
                        receiver,
                        boxes,
                        [](std::chrono::milliseconds) {},
                        QStringLiteral("tandrel"),
                        {},
                        {[](int) { return std::u16string(u"红轴"); },
                         [](int) { return std::u16string(u"曜石黑"); }},
                        {}});
    auto* status = static_cast<QLabel*>(dialog.control(ctl::kStatusLine));
    QWidget* lamp = dialog.control(ctl::kStatusLamp);
    auto* connect = static_cast<QPushButton*>(dialog.control(ctl::kConnect));

    auto fireDueTicks = [&] {
        std::array<int, 3> ids{1, 2, 3};
        std::shuffle(ids.begin(), ids.end(), random);
        std::array<bool, 3> due{};
        for (int id : ids) {
            due.at(static_cast<std::size_t>(id - 1)) = dialog.isTimerRunning(id);
        }
        for (int id : ids) {
            if (due.at(static_cast<std::size_t>(id - 1)) && dialog.isTimerRunning(id)) {
                dialog.OnTimer(id);
            }
        }
    };
    boxes.duringShow = [&] {
        if (chance(0.5)) {
            fireDueTicks();
            platform.clearWrites(); // the simulator's own record would grow for a day
        }
    };

    std::array<long, 3> secondsInState{};
    const std::size_t descriptorsBefore = openDescriptors();
    [[maybe_unused]] long residentBefore = 0;
    dialog.OnInitDialog();
    sim::SimInterface& iface = platform.interfaceAt(receiverIndex);
    for (int second = 0; second < kSeconds; ++second) {
        if (second == kWarmUp) {
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
            iface.readFault = iface.readFault == sim::ReadFault::None ? sim::ReadFault::TimesOut
                                                                      : sim::ReadFault::None;
        }
        if (chance(0.002)) {
            iface.openFailure =
                iface.openFailure ? std::nullopt : std::optional(OpenError::PermissionDenied);
        }
        if (chance(0.005)) {
            iface.failingWrites = static_cast<int>(random() % 3);
        }
        if (chance(0.0005)) {
            platform.setListFails(true);
        } else if (chance(0.01)) {
            platform.setListFails(false);
        }
        if (chance(0.01)) {
            platform.setPairingScript({1, 1, 1, 3});
            if (connect->isEnabled()) {
                connect->click();
            }
        }
        if (chance(0.002)) {
            static_cast<QPushButton*>(dialog.control(ctl::kDeviceInfo))->click();
        }

        fireDueTicks();
        platform.clearWrites(); // the simulator's own record would grow for a day

        ASSERT_TRUE(textBelongsToState(status->text(), session.ConnectionState))
            << "second " << second << ": " << status->text().toStdString() << " in state "
            << session.ConnectionState;
        ASSERT_LE(platform.openHandles(), 1) << "second " << second;
        ++secondsInState.at(static_cast<std::size_t>(session.ConnectionState));
        ASSERT_TRUE(dialog.isTimerRunning(kReceiverWatchTimer));
        if (second % 3600 == 0) {
            const QImage image = lamp->grab().toImage();
            ASSERT_EQ(image.pixelColor(lamp->rect().center()),
                      statusColour(session.ConnectionState))
                << "second " << second;
        }
    }
    for (long seconds : secondsInState) {
        EXPECT_GT(seconds, 600) << "each state is visited for a good while";
    }
    EXPECT_EQ(boxes.maxDepth, 1) << "message boxes never stack";
    EXPECT_GT(boxes.shown, 0) << "the run met failures worth a box";
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
#ifndef TANDREL_UNDER_ASAN
    // The sanitizer's quarantine holds freed memory on purpose; LeakSanitizer checks leaks there.
    EXPECT_LT(residentKiB() - residentBefore, 2048) << "resident memory grew";
#endif
}

} // namespace
} // namespace tandrel
