// The receiver worker's promises, with an exchange held on the simulated receiver's write: jobs in
// the order they came, and what its end does to the jobs still waiting and to the walk in flight.
#include "ReceiverWorker.h"

#include "SimulatedPlatform.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tandrel {
namespace {

using namespace std::chrono_literals;

struct Worker : ::testing::Test {
    Worker() {
        platform.addReceiver("/dev/hidraw-a");
        platform.addReceiver("/dev/hidraw-b");
    }
    // A job whose write is held: every job posted meanwhile waits behind it.
    bool holdAJob() {
        platform.holdWrites();
        worker->post([](ReceiverLink& l, DeviceRecord&) { l.ReadReceiverInfo(); });
        return platform.awaitHeldWrite(10s);
    }
    void postRecording(int n) {
        worker->post([this, n](ReceiverLink&, DeviceRecord&) { ran.push_back(n); });
    }

    sim::SimulatedPlatform platform;
    DeviceRecord record;
    ReceiverLink link{platform, record};
    std::vector<int> ran; // written on the worker, read once it has passed a latch
    std::unique_ptr<ReceiverWorker> worker = std::make_unique<ReceiverWorker>(link, record);
};

TEST_F(Worker, JobsRunInTheOrderPostedAlsoWhenSeveralWait) {
    ASSERT_TRUE(holdAJob());
    for (int n = 1; n <= 4; ++n) {
        postRecording(n);
    }
    std::promise<void> done;
    worker->post([&done](ReceiverLink&, DeviceRecord&) { done.set_value(); });
    platform.releaseWrites();
    done.get_future().wait();
    EXPECT_EQ(ran, (std::vector{1, 2, 3, 4}));
}

// Both receivers hang: without the stop the walk would wait out the second one's write as well.
TEST_F(Worker, ItsEndDropsTheWaitingJobsAndStopsTheWalkBeforeItsNextWrite) {
    platform.interfaceAt(2).hung = platform.interfaceAt(5).hung = true;
    ASSERT_TRUE(holdAJob());
    postRecording(1);
    postRecording(2);
    std::thread closing([this] { worker.reset(); });
    for (const auto giveUp = std::chrono::steady_clock::now() + 10s;
         !link.stopRequested() && std::chrono::steady_clock::now() < giveUp;) {
        std::this_thread::yield();
    }
    platform.releaseWrites();
    closing.join();
    EXPECT_EQ(ran, std::vector<int>{});
    EXPECT_EQ(platform.interfaceAt(2).writeAttempts, 1);
    EXPECT_EQ(platform.interfaceAt(5).writeAttempts, 0);
}

} // namespace
} // namespace tandrel
