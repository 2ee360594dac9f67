// The receiver walk over the simulated platform: identity, retries, failures, handle lifetime and
// stops; and the worker that runs it, with an exchange held on the simulated receiver's write.
#include "ReceiverLink.h"

#include "ReceiverWorker.h"
#include "SimulatedPlatform.h"

#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tandrel {
namespace {

using namespace std::chrono_literals;
using sim::ReadFault;

const Report kQuery{0x00, 0x03, 0x03, 0x8F};
const Report kPair{0x00, 0x03, 0x8E};

class ReceiverWalk : public ::testing::Test {
public:
    std::size_t add(const std::string& path, std::uint16_t vendor = 0x5e1c,
                    std::uint16_t product = 0x8040, int number = 2) {
        sim::SimInterface spec;
        spec.info = {path, vendor, product, number};
        return platform.addInterface(spec);
    }
    std::vector<std::string> writtenPaths() const {
        std::vector<std::string> paths;
        for (const auto& w : platform.writes()) {
            paths.push_back(w.path);
        }
        return paths;
    }
    void expectEveryOperationFails(ReceiverResult expected) {
        EXPECT_FALSE(link.FindReceiver());
        EXPECT_EQ(link.ReadReceiverInfo(), 0);
        const StatusReading reading = link.ReadReceiverStatus();
        EXPECT_EQ(reading.result, expected);
        EXPECT_EQ(reading.status, 0);
        EXPECT_EQ(link.SendPairCommand(), expected);
        EXPECT_TRUE(platform.writes().empty());
    }

    sim::SimulatedPlatform platform;
    DeviceRecord record;
    ReceiverLink link{platform, record};
};

TEST_F(ReceiverWalk, NothingButTheReceiversInterfaceTwoIsTaken) {
    const std::pair<const char*, std::function<void(ReceiverWalk&)>> cases[] = {
        {"nothing present", [](ReceiverWalk&) {}},
        {"receiver interfaces 0 and 1",
         [](ReceiverWalk& t) {
             t.add("/dev/hidraw0", 0x5e1c, 0x8040, 0);
             t.add("/dev/hidraw1", 0x5e1c, 0x8040, 1);
         }},
        {"other product", [](ReceiverWalk& t) { t.add("/dev/hidraw0", 0x5e1c, 0x8041); }},
        {"other vendor", [](ReceiverWalk& t) { t.add("/dev/hidraw0", 0x5e1d); }},
        {"no path",
         [](ReceiverWalk& t) {
             t.platform.interfaceAt(t.add("/dev/hidraw0")).pathUnavailable = true;
         }},
    };
    for (const auto& [name, arrange] : cases) {
        SCOPED_TRACE(name);
        platform.removeAllInterfaces();
        arrange(*this);
        Report before{};
        before.fill(0x11);
        record.storeAnswer(before);
        expectEveryOperationFails(ReceiverResult::NoAnswer);
        EXPECT_EQ(record.lastReport, before);
        EXPECT_EQ(platform.openHandles(), 0);
    }
}

TEST_F(ReceiverWalk, PlatformFailuresEndEveryOperation) {
    platform.addReceiver();
    platform.setListFails(true);
    expectEveryOperationFails(ReceiverResult::NoDeviceList);
    platform.setListFails(false);
    platform.setScratchFails(true);
    expectEveryOperationFails(ReceiverResult::NoScratchBuffer);
}

TEST_F(ReceiverWalk, AnUnrelatedDeviceIsPassedOverAndTheAnswerStoredWhole) {
    add("/dev/hidraw0", 0x046d, 0xc52b);
    platform.addReceiver("/dev/hidraw");
    const Report answer = sim::makeAnswer({.firmwareMajor = 1, .linkStatus = 3, .modelCode = 0x82});
    platform.setAnswer(answer);
    platform.setLinkStatus(3);

    EXPECT_TRUE(link.FindReceiver());
    EXPECT_EQ(link.lastWalk().receiverPath, "/dev/hidraw3");
    EXPECT_EQ(platform.openHandles(), 0) << "FindReceiver opens nothing";
    EXPECT_EQ(link.ReadReceiverInfo(), 3);
    EXPECT_EQ(record.lastReport, answer);
    EXPECT_EQ(writtenPaths(), std::vector<std::string>{"/dev/hidraw3"});
    EXPECT_EQ(platform.writes().front().bytes, kQuery);
}

TEST_F(ReceiverWalk, OneImmediateRetryThenTheNextMatchingInterface) {
    const std::size_t first = add("/dev/hidraw-a");
    platform.setLinkStatus(1);
    platform.interfaceAt(first).failingWrites = 1;
    EXPECT_EQ(link.ReadReceiverInfo(), 1);
    EXPECT_EQ(writtenPaths(), std::vector<std::string>{"/dev/hidraw-a"});
    platform.interfaceAt(first).failingWrites = 1;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    platform.interfaceAt(first).failingWrites = 2;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::NoAnswer);
    EXPECT_EQ(record.receiverHandle, nullptr);
    EXPECT_EQ(platform.openHandles(), 0);

    add("/dev/hidraw-b");
    platform.interfaceAt(first).failingWrites = 2;
    const StatusReading reading = link.ReadReceiverStatus();
    EXPECT_EQ(reading.result, ReceiverResult::Done);
    EXPECT_EQ(reading.status, 1);
    EXPECT_EQ(link.lastWalk().receiverPath, "/dev/hidraw-b");
    EXPECT_EQ(link.lastWalk().candidates, 2);
    EXPECT_EQ(platform.openHandles(), 1) << "the failed candidate is closed again";
    EXPECT_EQ(platform.peakOpenHandles(), 1);
}

TEST_F(ReceiverWalk, AWriteThatTimedOutIsNotRetried) {
    sim::SimInterface& hung = platform.interfaceAt(add("/dev/hidraw-a"));
    hung.hung = true;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::NoAnswer);
    EXPECT_EQ(hung.writeAttempts, 1);
    EXPECT_TRUE(link.lastWalk().writeTimedOut);
    hung.hung = false;
    hung.failingWrites = 1;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    EXPECT_EQ(hung.writeAttempts, 3);
    EXPECT_FALSE(link.lastWalk().writeTimedOut);
}

// A stop asked for during a write ends the walk before its next one: no retry, no further
// receiver, and no later walk writes either.
TEST_F(ReceiverWalk, AStopEndsTheWalkBeforeItsNextWrite) {
    add("/dev/hidraw-a"), add("/dev/hidraw-b");
    sim::SimInterface &first = platform.interfaceAt(0), &second = platform.interfaceAt(1);
    ReceiverLink stoppable{platform, record, [&first] { return first.writeAttempts > 0; }};
    for (const bool hung : {true, false}) {
        first.writeAttempts = 0, first.hung = hung, first.failingWrites = hung ? 0 : 2;
        EXPECT_EQ(stoppable.ReadReceiverInfo(), 0);
        EXPECT_EQ(first.writeAttempts, 1);
        EXPECT_TRUE(stoppable.lastWalk().stopped);
    }
    EXPECT_EQ(stoppable.SendPairCommand(), ReceiverResult::NoAnswer);
    EXPECT_TRUE(stoppable.FindReceiver()) << "finding writes nothing";
    EXPECT_EQ(second.writeAttempts, 0);
    EXPECT_EQ(platform.openHandles(), 0);

    first.writeAttempts = first.failingWrites = 0;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    EXPECT_FALSE(link.lastWalk().stopped);
    link.requestStop(); // as from another thread
    EXPECT_EQ(link.ReadReceiverStatus().result, ReceiverResult::NoAnswer);
    EXPECT_EQ(first.writeAttempts + second.writeAttempts, 1);
}

TEST_F(ReceiverWalk, AFailedReadKeepsTheRecordAndPassesToTheNextMatchingInterface) {
    for (ReadFault fault : {ReadFault::Fails, ReadFault::TimesOut}) {
        SCOPED_TRACE(static_cast<int>(fault));
        platform.removeAllInterfaces();
        platform.clearWrites();
        platform.interfaceAt(add("/dev/hidraw-a")).readFault = fault;
        platform.setAnswer(sim::makeAnswer({.switchCode = 7}));
        platform.setLinkStatus(3);
        Report earlier{};
        earlier.fill(0x5A);
        record.storeAnswer(earlier);

        EXPECT_EQ(link.ReadReceiverInfo(), 0);
        EXPECT_EQ(record.lastReport, earlier) << "no mix of old and new bytes";
        EXPECT_EQ(link.ReadReceiverStatus().result, ReceiverResult::NoAnswer);
        EXPECT_EQ(record.receiverHandle, nullptr);
        EXPECT_EQ(platform.openHandles(), 0);

        add("/dev/hidraw-b");
        EXPECT_EQ(link.ReadReceiverInfo(), 3);
        EXPECT_EQ(record.lastReport[17], 7);
        EXPECT_EQ(record.lastReport[39], 3);
        EXPECT_EQ(link.lastWalk().receiverPath, "/dev/hidraw-b");
        EXPECT_EQ(writtenPaths(), (std::vector<std::string>{"/dev/hidraw-a", "/dev/hidraw-a",
                                                            "/dev/hidraw-a", "/dev/hidraw-b"}));
        EXPECT_EQ(platform.openHandles(), 1);
    }
}

TEST_F(ReceiverWalk, FoundButUnopenableReceiverExplainsItself) {
    const std::size_t receiver = platform.addReceiver();
    platform.interfaceAt(receiver).openFailure = OpenError::PermissionDenied;
    EXPECT_TRUE(link.FindReceiver());
    EXPECT_EQ(link.ReadReceiverInfo(), 0);
    EXPECT_TRUE(link.lastWalk().everyOpenDenied());
    ASSERT_EQ(link.lastWalk().openFailures.size(), 1u);
    EXPECT_EQ(link.lastWalk().openFailures[0].path, "/dev/hidraw2");

    // A second receiver that fails otherwise, or opens fine, means permission was not the whole
    // story.
    platform.interfaceAt(add("/dev/hidraw-other")).openFailure = OpenError::Other;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::NoAnswer);
    EXPECT_FALSE(link.lastWalk().everyOpenDenied());
    platform.interfaceAt(3).openFailure.reset();
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    EXPECT_FALSE(link.lastWalk().everyOpenDenied());
}

TEST_F(ReceiverWalk, AtMostOneHandleHeldUntilTheNextOpenAndOnlyInfoTouchesTheRecord) {
    const std::size_t receiver = platform.addReceiver();
    platform.setAnswer(sim::makeAnswer({.switchCode = 4}));
    platform.setLinkStatus(3);
    EXPECT_EQ(link.ReadReceiverInfo(), 3);
    EXPECT_EQ(link.ReadReceiverInfo(), 3);
    EXPECT_EQ(platform.openHandles(), 1);
    EXPECT_NE(record.receiverHandle, nullptr);
    record.clearLastReport();
    EXPECT_EQ(link.ReadReceiverStatus().status, 3);
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    EXPECT_TRUE(link.FindReceiver());
    EXPECT_EQ(record.lastReport, Report{});
    EXPECT_EQ(platform.writes().back().bytes, kPair);

    platform.unplug();
    EXPECT_FALSE(link.FindReceiver());
    EXPECT_EQ(link.ReadReceiverStatus().result, ReceiverResult::NoAnswer);
    EXPECT_EQ(platform.openHandles(), 1) << "held until the next open replaces it";
    platform.plug();
    platform.interfaceAt(receiver).unplugAfterWrite = true; // gone before the answer
    EXPECT_EQ(link.ReadReceiverInfo(), 0);
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(platform.peakOpenHandles(), 1);
}

// Jobs posted while a query's write is held wait behind it.
struct Worker : ReceiverWalk {
    bool holdAQuery() {
        platform.holdWrites();
        worker->post([](ReceiverLink& l, DeviceRecord&) { l.ReadReceiverInfo(); });
        return platform.awaitHeldWrite(10s);
    }
    void postRecording(int n) {
        worker->post([this, n](ReceiverLink&, DeviceRecord&) { ran.push_back(n); });
    }
    std::vector<int> ran; // written on the worker, read once it has passed a latch
    std::unique_ptr<ReceiverWorker> worker = std::make_unique<ReceiverWorker>(link, record);
};

TEST_F(Worker, JobsRunInTheOrderPostedAlsoWhenSeveralWait) {
    platform.addReceiver();
    ASSERT_TRUE(holdAQuery());
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
    platform.interfaceAt(add("/dev/hidraw-a")).hung = true;
    platform.interfaceAt(add("/dev/hidraw-b")).hung = true;
    ASSERT_TRUE(holdAQuery());
    postRecording(1), postRecording(2);
    std::thread closing([this] { worker.reset(); });
    for (const auto giveUp = std::chrono::steady_clock::now() + 10s;
         !link.stopRequested() && std::chrono::steady_clock::now() < giveUp;) {
        std::this_thread::yield();
    }
    platform.releaseWrites();
    closing.join();
    EXPECT_EQ(ran, std::vector<int>{});
    EXPECT_EQ(platform.interfaceAt(0).writeAttempts, 1);
    EXPECT_EQ(platform.interfaceAt(1).writeAttempts, 0);
}

} // namespace
} // namespace tandrel
