// How long one tick of the receiver watch takes as the number of HID interfaces grows.
#include "SimMachine.h"

#include <DeviceRecord.h>
#include <benchmark/benchmark.h>

namespace tandrel::bench {
namespace {

// The simulator keeps every written report; clearing now and then keeps its memory flat
// without a measurable share of the time.
constexpr std::int64_t kClearWritesEvery = 4096;

// What the watch timer does on each tick while the receiver is present: find it, then query it
// and store the answer.
void receiverWatchTick(benchmark::State& state) {
    const auto interfaces = static_cast<std::size_t>(state.range(0));
    sim::SimulatedPlatform platform;
    addInterfaces(platform, interfaces);
    connectKeyboard(platform, 2, 3);
    DeviceRecord device;
    ReceiverLink receiver(platform, device);

    std::int64_t ticks = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(receiver.FindReceiver());
        device.clearLastReport();
        benchmark::DoNotOptimize(receiver.ReadReceiverInfo());
        if (++ticks % kClearWritesEvery == 0) {
            platform.clearWrites();
        }
    }
    if (device.lastReport[answer::kLinkStatus] != kLinkConnected) {
        state.SkipWithError("the walk did not reach the receiver");
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(receiverWatchTick)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// The same tick with no receiver plugged in: the walk looks at every interface and finds none,
// which is what the window does for as long as it runs without one.
void receiverWatchTickNoReceiver(benchmark::State& state) {
    const auto interfaces = static_cast<std::size_t>(state.range(0));
    sim::SimulatedPlatform platform;
    addInterfaces(platform, interfaces);
    platform.unplug();
    DeviceRecord device;
    ReceiverLink receiver(platform, device);

    for (auto _ : state) {
        benchmark::DoNotOptimize(receiver.FindReceiver());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(receiverWatchTickNoReceiver)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tandrel::bench

BENCHMARK_MAIN();
