// A simulated day of the real window over a receiver that misbehaves at random, measured: resident
// memory, open descriptors and the window's own objects must not grow, and the window's invariants
// hold every second. Prints the figures; exits 1 when a limit or an invariant is broken.
// usage: endurance [SECONDS]   (default: a day)
#include <CTandrelDlg.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <SettleHandlers.h>
#include <SimulatedPlatform.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using namespace tandrel;

constexpr long kResidentGrowthLimitKiB = 2048;
constexpr int kSettleSeconds = 600; // Qt and the allocator settle before the memory baseline

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

// Boxes run their own event loop, in which ticks go on; `duringShow` fires some.
struct NestingSink final : MessageSink {
    void show(QWidget&, const QString&, const QString&) override {
        maxDepth = std::max(maxDepth, ++depth);
        ++shown;
        duringShow();
        --depth;
    }
    int depth = 0, maxDepth = 0;
    long shown = 0;
    std::function<void()> duringShow;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::stoi(argv[1]) : 24 * 60 * 60;
    const QStringList textsOf[] = {{"未找到接收器!", "未连接!!!!!!"},
                                   {"已连接！！！"},
                                   {"配对中......", "配对中", "配对中..."}};
    std::mt19937 random(20261206);
    auto chance = [&random](double p) { return std::bernoulli_distribution(p)(random); };

    sim::SimulatedPlatform platform;
    sim::SimInterface& receiver = platform.interfaceAt(platform.addReceiver());
    platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1, .modelCode = 0x0082}));
    DeviceRecord device;
    ReceiverLink link(platform, device);
    ReceiverWorker worker(link, device);
    SessionState session;
    NestingSink boxes;
    CTandrelDlg dialog({session,
                        worker,
                        boxes,
                        [](std::chrono::milliseconds) {},
                        QStringLiteral("tandrel"),
                        {},
                        {},
                        {}});
    auto* status = static_cast<QLabel*>(dialog.control(1002));
    auto* connect = static_cast<QPushButton*>(dialog.control(1000));
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
        settleHandlers(dialog);
        platform.clearWrites(); // the simulator's own record would grow for a day
    };
    boxes.duringShow = [&] {
        if (chance(0.5)) {
            fireDueTicks();
        }
    };

    const long descriptorsBefore = openDescriptors();
    const qsizetype objectsBefore = dialog.findChildren<QObject*>().size();
    long residentBefore = residentKiB();
    dialog.OnInitDialog();
    settleHandlers(dialog);
    for (int second = 0; second < seconds; ++second) {
        if (second == kSettleSeconds) {
            residentBefore = residentKiB();
        }
        if (chance(0.002)) {
            platform.plugged() ? platform.unplug() : platform.plug();
        }
        if (chance(0.02)) {
            platform.setLinkStatus(std::array<std::uint8_t, 6>{0, 1, 2, 3, 3, 255}[random() % 6]);
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
        platform.setListFails(chance(0.0005));
        if (chance(0.01) && connect->isEnabled()) {
            platform.setPairingScript({1, 1, 1, 3});
            connect->click();
            settleHandlers(dialog);
        }
        if (chance(0.002)) {
            static_cast<QPushButton*>(dialog.control(1001))->click();
            settleHandlers(dialog);
        }
        fireDueTicks();

        const std::int32_t state = session.ConnectionState;
        if (state < 0 || state > 2 || !textsOf[state].contains(status->text()) ||
            platform.openHandles() > 1 || !dialog.isTimerRunning(3)) {
            std::printf("endurance: second %d: state %d with \"%s\", %d open handles, watch %s\n",
                        second, state, status->text().toUtf8().constData(), platform.openHandles(),
                        dialog.isTimerRunning(3) ? "on" : "off");
            return 1;
        }
    }

    const long grown = residentKiB() - residentBefore;
    const qsizetype objects = dialog.findChildren<QObject*>().size();
    std::printf("endurance: %d simulated seconds, %ld boxes (never more than %d at once); "
                "resident memory %+ld KiB (limit %ld), descriptors %ld -> %ld, the window's "
                "objects %lld -> %lld\n",
                seconds, boxes.shown, boxes.maxDepth, grown, kResidentGrowthLimitKiB,
                descriptorsBefore, openDescriptors(), static_cast<long long>(objectsBefore),
                static_cast<long long>(objects));
    // The sanitizer's quarantine holds freed memory on purpose; LeakSanitizer checks leaks there.
#if defined(__SANITIZE_ADDRESS__)
    const bool memoryHeld = true;
    std::printf("endurance: resident memory is not judged under AddressSanitizer\n");
#else
    const bool memoryHeld = grown < kResidentGrowthLimitKiB;
#endif
    return boxes.maxDepth <= 1 && memoryHeld && openDescriptors() == descriptorsBefore &&
                   objects == objectsBefore
               ? 0
               : 1;
}
