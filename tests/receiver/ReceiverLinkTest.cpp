// The receiver walk over the simulated platform: identity, retries, failures and handle lifetime.
#include "ReceiverLink.h"

#include "SimulatedPlatform.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using sim::AnswerFields;
using sim::ReadFault;
using sim::SimInterface;
using sim::SimulatedPlatform;

class ReceiverWalk : public ::testing::Test {
protected:
    SimInterface device(const std::string& path, std::uint16_t vendor, std::uint16_t product,
                        int number) {
        SimInterface spec;
        spec.info = {path, vendor, product, number};
        return spec;
    }
    std::size_t addReceiverInterface(const std::string& path) {
        return platform.addInterface(device(path, 0x5e1c, 0x8040, 2));
    }
    std::vector<std::string> writtenPaths() const {
        std::vector<std::string> paths;
        for (const auto& w : platform.writes()) {
            paths.push_back(w.path);
        }
        return paths;
    }

    SimulatedPlatform platform;
    DeviceRecord record;
    ReceiverLink link{platform, record};
};

TEST_F(ReceiverWalk, NoMatchingInterfaceMeansNoAnswer) {
    struct Case {
        const char* name;
        std::vector<SimInterface> interfaces;
    };
    const Case cases[] = {
        {"nothing present", {}},
        {"receiver interfaces 0 and 1 only",
         {device("/dev/hidraw0", 0x5e1c, 0x8040, 0), device("/dev/hidraw1", 0x5e1c, 0x8040, 1)}},
        {"other product", {device("/dev/hidraw0", 0x5e1c, 0x8041, 2)}},
        {"other vendor", {device("/dev/hidraw0", 0x5e1d, 0x8040, 2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.removeAllInterfaces();
        for (const auto& spec : c.interfaces) {
            platform.addInterface(spec);
        }
        record.storeAnswer(sim::makeAnswer({.linkStatus = 3}));
        const Report before = record.lastReport;

        EXPECT_FALSE(link.FindReceiver());
        EXPECT_EQ(link.ReadReceiverInfo(), 0);
        const StatusReading reading = link.ReadReceiverStatus();
        EXPECT_EQ(reading.result, ReceiverResult::NoAnswer);
        EXPECT_EQ(reading.status, 0);
        EXPECT_EQ(link.SendPairCommand(), ReceiverResult::NoAnswer);

        EXPECT_TRUE(platform.writes().empty());
        EXPECT_EQ(record.lastReport, before);
        EXPECT_EQ(platform.openHandles(), 0);
    }
}

TEST_F(ReceiverWalk, PlatformFailuresEndEveryOperation) {
    struct Case {
        const char* name;
        bool listFails;
        bool scratchFails;
        ReceiverResult expected;
    };
    const Case cases[] = {
        {"no device list", true, false, ReceiverResult::NoDeviceList},
        {"no scratch buffer", false, true, ReceiverResult::NoScratchBuffer},
    };
    platform.addReceiver();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.setListFails(c.listFails);
        platform.setScratchFails(c.scratchFails);
        EXPECT_FALSE(link.FindReceiver());
        EXPECT_EQ(link.ReadReceiverInfo(), 0);
        EXPECT_EQ(link.ReadReceiverStatus().result, c.expected);
        EXPECT_EQ(link.SendPairCommand(), c.expected);
        EXPECT_TRUE(platform.writes().empty());
    }
}

TEST_F(ReceiverWalk, UnrelatedDeviceBeforeTheReceiverIsPassedOver) {
    platform.addInterface(device("/dev/hidraw0", 0x046d, 0xc52b, 2));
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
    EXPECT_EQ(platform.writes().front().bytes, QueryReport);
}

TEST_F(ReceiverWalk, AnInterfaceWithoutAPathIsPassedOver) {
    const std::size_t blind = addReceiverInterface("/dev/hidraw0");
    platform.interfaceAt(blind).pathUnavailable = true;
    EXPECT_FALSE(link.FindReceiver());
    addReceiverInterface("/dev/hidraw1");
    EXPECT_TRUE(link.FindReceiver());
    EXPECT_EQ(link.lastWalk().receiverPath, "/dev/hidraw1");
}

TEST_F(ReceiverWalk, OneImmediateRetryOfAFailedWrite) {
    const std::size_t receiver = platform.addReceiver();
    platform.setLinkStatus(1);
    platform.interfaceAt(receiver).failingWrites = 1;
    EXPECT_EQ(link.ReadReceiverInfo(), 1);
    EXPECT_EQ(platform.writes().size(), 1u);

    platform.interfaceAt(receiver).failingWrites = 1;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);

    platform.interfaceAt(receiver).failingWrites = 2;
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::NoAnswer);
    EXPECT_EQ(record.receiverHandle, nullptr);
    EXPECT_EQ(platform.openHandles(), 0);
}

TEST_F(ReceiverWalk, BothWritesFailingMovesOnToTheNextMatchingInterface) {
    const std::size_t first = addReceiverInterface("/dev/hidraw-a");
    addReceiverInterface("/dev/hidraw-b");
    platform.interfaceAt(first).failingWrites = 2;
    platform.setLinkStatus(3);

    const StatusReading reading = link.ReadReceiverStatus();
    EXPECT_EQ(reading.result, ReceiverResult::Done);
    EXPECT_EQ(reading.status, 3);
    EXPECT_EQ(link.lastWalk().receiverPath, "/dev/hidraw-b");
    EXPECT_EQ(link.lastWalk().candidates, 2);
    EXPECT_EQ(platform.openHandles(), 1) << "the failed candidate is closed again";
    EXPECT_EQ(platform.peakOpenHandles(), 1);
}

TEST_F(ReceiverWalk, AFailedReadKeepsTheRecordAndPassesToTheNextMatchingInterface) {
    for (ReadFault fault : {ReadFault::Fails, ReadFault::TimesOut}) {
        SCOPED_TRACE(static_cast<int>(fault));
        platform.removeAllInterfaces();
        platform.clearWrites();
        platform.interfaceAt(addReceiverInterface("/dev/hidraw-a")).readFault = fault;
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

        addReceiverInterface("/dev/hidraw-b");
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
    EXPECT_EQ(link.lastWalk().openFailures[0].path, platform.interfaceAt(receiver).info.path);

    // A second receiver that opens fine means permission was not the whole story.
    addReceiverInterface("/dev/hidraw-other");
    EXPECT_EQ(link.SendPairCommand(), ReceiverResult::Done);
    EXPECT_FALSE(link.lastWalk().everyOpenDenied());
}

TEST_F(ReceiverWalk, AtMostOneHandleAndOnlyInfoTouchesTheRecord) {
    platform.addReceiver();
    const Report answer = sim::makeAnswer({.switchCode = 4, .linkStatus = 3});
    platform.setAnswer(answer);
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
    EXPECT_EQ(platform.openHandles(), 1);
    EXPECT_EQ(platform.peakOpenHandles(), 1);
    EXPECT_EQ(platform.writes().back().bytes, PairReport);
}

TEST_F(ReceiverWalk, ReceiverVanishingBetweenOrDuringOperations) {
    const std::size_t receiver = platform.addReceiver();
    platform.setLinkStatus(3);
    ASSERT_EQ(link.ReadReceiverInfo(), 3);

    platform.unplug();
    EXPECT_FALSE(link.FindReceiver());
    EXPECT_EQ(link.ReadReceiverStatus().result, ReceiverResult::NoAnswer);
    EXPECT_EQ(platform.openHandles(), 1) << "held until the next open replaces it";

    platform.plug();
    platform.interfaceAt(receiver).unplugAfterWrite = true;
    EXPECT_EQ(link.ReadReceiverInfo(), 0);
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(platform.peakOpenHandles(), 1);
}

} // namespace
} // namespace tandrel
