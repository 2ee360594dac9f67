// The window's longest stall while the receiver misbehaves: the largest gap between two firings of
// a 10 ms timer on the window's thread, over the real window with its real timers, shown on the
// platform Qt is given. One line a receiver; exits 1 when a stall exceeds the target.
// usage: stall [SECONDS [silent|hung]]   (default: 10 s each, both receivers)
#include <CTandrelDlg.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <SimulatedPlatform.h>
#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using namespace tandrel;
using namespace std::chrono_literals;

constexpr auto kTick = 10ms;
constexpr qint64 kTargetMs = 50;
// What the kernel makes a hung receiver's write wait, and the tool's bound on a read.
constexpr auto kUsbTimeout = 5s;
constexpr auto kReadBound = 500ms;

struct NoBoxes final : MessageSink {
    void show(QWidget&, const QString&, const QString&) override {}
};

// Runs the shown window for `seconds` and returns the longest gap between two 10 ms ticks.
qint64 longestStall(const char* name, int seconds, void (*misbehave)(sim::SimInterface&)) {
    sim::SimulatedPlatform platform;
    misbehave(platform.interfaceAt(platform.addReceiver()));
    platform.setWaits(kUsbTimeout, kReadBound);
    DeviceRecord device;
    ReceiverLink link(platform, device);
    ReceiverWorker worker(link, device);
    SessionState session;
    NoBoxes boxes;
    CTandrelDlg dialog(
        {session, worker, boxes, blockingPause, QStringLiteral("tandrel"), {}, {}, {}});
    dialog.show();
    dialog.OnInitDialog();

    QElapsedTimer clock;
    qint64 last = -1, longest = 0;
    int firings = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = last < 0 ? 0 : std::max(longest, now - last);
        last = now;
        ++firings;
    });
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    clock.start();
    ticker.start(kTick);
    loop.exec();
    std::printf("%s receiver: longest stall %lld ms over %d s (%d firings of a 10 ms timer); "
                "target <= %lld ms: %s\n",
                name, longest, seconds, firings, kTargetMs,
                longest <= kTargetMs ? "met" : "MISSED");
    std::fflush(stdout);
    return longest;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::stoi(argv[1]) : 10;
    const std::string only = argc > 2 ? argv[2] : "";
    qint64 longest = 0;
    if (only.empty() || only == "silent") {
        longest = longestStall("silent", seconds, [](sim::SimInterface& commands) {
            commands.readFault = sim::ReadFault::TimesOut;
        });
    }
    if (only.empty() || only == "hung") {
        longest = std::max(longest, longestStall("hung", seconds, [](sim::SimInterface& commands) {
                               commands.hung = true;
                           }));
    }
    return longest <= kTargetMs ? 0 : 1;
}
