// The receiver module: the commands and the answer's texts byte for byte, what the hidraw backend
// adds (reads as report images, why an open failed, interfaces listed more than once), the walk
// over the simulated platform (identity, retries, failures, handle lifetime, stops) and the worker
// that runs it, with an exchange held on the simulated receiver's write.
#include "DeviceInfoText.h"
#include "HidrawFraming.h"
#include "LinuxHidPlatform.h"
#include "ReceiverLink.h"
#include "ReceiverWorker.h"
#include "Reports.h"
#include "SimulatedPlatform.h"

#include <cerrno>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tandrel {
namespace {

using namespace std::chrono_literals;
using sim::ReadFault;

TEST(Answer, CommandsAreExactImages) {
    EXPECT_EQ(QueryReport, (Report{0x00, 0x03, 0x03, 0x8F})); // the rest is zero
    EXPECT_EQ(PairReport, (Report{0x00, 0x03, 0x8E}));
}

std::u16string numbered(char16_t tag, int code) {
    const std::string digits = std::to_string(code);
    return tag + std::u16string(digits.begin(), digits.end());
}

class Decoding : public ::testing::Test {
protected:
    // The answer of a keyboard whose information was written: byte 7 carries the marker.
    static Report answer(std::vector<std::pair<std::size_t, std::uint8_t>> bytes) {
        Report r{};
        r[7] = 1;
        for (auto [position, value] : bytes) {
            r[position] = value;
        }
        return r;
    }
    DeviceTexts decode(const Report& r, bool connected) {
        return decodeDeviceInfo(r, connected, lookups);
    }

    NameLookups lookups{[](int code) { return numbered(u'S', code); },
                        [](int code) { return numbered(u'C', code); }};
};

TEST_F(Decoding, ModelFirmwareAndTheCodesLessOne) {
    struct Case {
        std::uint8_t byte41, byte40, byte5, byte4, switchCode, colourCode;
        DeviceTexts texts;
    };
    const Case cases[] = {
        {0x00, 0x82, 0x01, 0x05, 1, 2, {u"V540N", u"C1", u"S0", u"1.05"}},
        {0x00, 0x42, 0x1a, 0xff, 0, 0, {u"V530n", u"C-1", u"S-1", u"1a.ff"}},
        {0x01, 0x41, 0x10, 0x03, 0xff, 3, {u"TESSEL", u"C2", u"S254", u"10.03"}},
        {0x82, 0x00, 0x0a, 0xff, 5, 4, {u"", u"C3", u"S4", u"a.ff"}}, // swapped model bytes
        {0x00, 0xab, 0x00, 0x00, 9, 9, {u"", u"C8", u"S8", u"0.00"}}, // "00ab" is nobody's
    };
    for (const Case& c : cases) {
        const Report r = answer({{41, c.byte41},
                                 {40, c.byte40},
                                 {5, c.byte5},
                                 {4, c.byte4},
                                 {17, c.switchCode},
                                 {18, c.colourCode}});
        EXPECT_EQ(decode(r, true), c.texts);
        EXPECT_EQ(decode(r, false), c.texts) << "with the information there, the state is moot";
    }
}

TEST_F(Decoding, WithoutTheMarkerNotWrittenWhenConnectedAndEmptyOtherwise) {
    Report r{}; // nothing in bytes 7 to 13, the marker
    r[6] = 1, r[14] = 1, r[5] = 2, r[17] = 3, r[18] = 3, r[40] = 0x82;
    EXPECT_EQ(decode(r, true), (DeviceTexts{u"设备相应型号未写入！", u"设备相应外壳颜色未写入！",
                                            u"设备相应轴体未写入！", u"2.00"}));
    EXPECT_EQ(decode(Report{}, true).firmwareText, u"0.00");
    EXPECT_EQ(decode(r, false), DeviceTexts{});
    EXPECT_EQ(decode(answer({{7, 0}, {13, 0x80}, {40, 0x82}}), false).modelText,
              u"V540N"); // byte 13 is marker enough
}

TEST(HidrawFraming, AReadBecomesTheImageBehindReportIdZero) {
    std::vector<std::uint8_t> payload(64);
    Report whole{}, shortRead{};
    for (std::uint8_t i = 0; i < 64; ++i) {
        payload[i] = whole[i + 1u] = static_cast<std::uint8_t>(0x80 + i);
    }
    shortRead[1] = 0x80, shortRead[2] = 0x81;
    EXPECT_EQ(imageFromRead(64, payload), whole);
    EXPECT_EQ(imageFromRead(2, payload), shortRead) << "only what was read counts";
    EXPECT_EQ(imageFromRead(0, payload), std::nullopt) << "a wait that ran out";
    EXPECT_EQ(imageFromRead(-1, payload), std::nullopt) << "an error";
}

TEST(HidrawFraming, OpenErrorsSayWhyTheReceiverCouldNotBeOpened) {
    using enum OpenError;
    const std::pair<int, OpenError> cases[] = {
        {EACCES, PermissionDenied},
        {EPERM, PermissionDenied},
        {ENOENT, NotFound},
        {ENODEV, NotFound},
        {ENXIO, NotFound},
        {EBUSY, Other},
        {EIO, Other},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(openErrorFromErrno(error), expected) << error;
    }

    // The real backend over nodes that are not hidraw devices.
    LinuxHidPlatform platform;
    for (const auto& [path, expected] :
         {std::pair{"/nonexistent/hidraw9", NotFound}, std::pair{"/dev/null", Other}}) {
        const OpenResult opened = platform.open(path);
        EXPECT_EQ(opened.handle, nullptr) << path;
        EXPECT_EQ(opened.error, expected) << path;
    }
}

TEST(HidrawFraming, EachPathOnceInFirstSeenOrder) {
    const std::vector<HidInterface> listed{{"/dev/hidraw2", 0x5e1c, 0x8040, 2},
                                           {"/dev/hidraw0", 0x5e1c, 0x8040, 0},
                                           {"/dev/hidraw2", 0x5e1c, 0x8040, 2},
                                           {"/dev/hidraw1", 0x046d, 0xc52b, 1},
                                           {"/dev/hidraw0", 0x5e1c, 0x8040, 0}};
    std::vector<std::string> paths;
    for (const HidInterface& i : onePerPath(listed)) {
        paths.push_back(i.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/hidraw2", "/dev/hidraw0", "/dev/hidraw1"}));
}

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

TEST_F(ReceiverWalk, NothingButTheReceiversInterfaceTwoIsTakenAndPlatformFailuresEndAll) {
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
    // Nor is anything taken when the platform fails.
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
