// The receiver walk over a simulated machine whose faults come from the input; the invariants
// are checked after every operation.
#include "ReceiverLink.h"
#include "SimulatedPlatform.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace tandrel;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

sim::SimInterface interfaceFrom(Input& in, int index) {
    const std::uint8_t shape = in.next();
    const std::uint8_t faults = in.next();
    sim::SimInterface spec;
    spec.info.path = "/dev/hidraw" + std::to_string(index);
    spec.info.vendorId = (shape & 1) != 0 ? kReceiverVendorId : 0x046d;
    spec.info.productId = (shape & 2) != 0 ? kReceiverProductId : 0xc52b;
    spec.info.interfaceNumber = (shape >> 2) & 3;
    spec.hung = (shape & 0x10) != 0;
    spec.pathUnavailable = (faults & 1) != 0;
    if ((faults & 6) == 2) {
        spec.openFailure = OpenError::PermissionDenied;
    } else if ((faults & 6) == 4) {
        spec.openFailure = OpenError::NotFound;
    }
    spec.failingWrites = (faults >> 3) & 3;
    spec.readFault = (faults & 0x20) != 0 ? sim::ReadFault::TimesOut : sim::ReadFault::None;
    spec.unplugAfterWrite = (faults & 0x40) != 0;
    if ((faults & 0x80) != 0) {
        Report decoy{};
        decoy.fill(0xDD);
        spec.decoyAnswer = decoy;
    }
    return spec;
}

bool isWholeAnswer(const Report& stored, const Report& receiverAnswer) {
    Report expected = receiverAnswer;
    expected[answer::kLinkStatus] = stored[answer::kLinkStatus];
    Report decoy{};
    decoy.fill(0xDD);
    return stored == Report{} || stored == expected || stored == decoy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    sim::SimulatedPlatform platform;
    DeviceRecord record;
    ReceiverLink link(platform, record);

    const int count = in.next() % 8;
    for (int i = 0; i < count; ++i) {
        platform.addInterface(interfaceFrom(in, i));
    }
    const Report receiverAnswer = sim::makeAnswer({.firmwareMajor = in.next(),
                                                   .switchCode = in.next(),
                                                   .colourCode = in.next(),
                                                   .modelCode = in.next()});
    platform.setAnswer(receiverAnswer);
    platform.setPairingScript({1, 1, 3});

    while (!in.empty()) {
        const std::uint8_t op = in.next();
        const Report before = record.lastReport;
        const bool listFails = (op & 0x10) != 0;
        const bool scratchFails = (op & 0x20) != 0;
        platform.setListFails(listFails);
        platform.setScratchFails(scratchFails);
        platform.setLinkStatus(static_cast<std::uint8_t>(op >> 6));

        switch (op & 0x07) {
        case 0:
            link.FindReceiver();
            check(record.lastReport == before);
            break;
        case 1: {
            const std::uint8_t status = link.ReadReceiverInfo();
            if (link.lastWalk().result == ReceiverResult::Done) {
                check(status == linkStatus(record.lastReport));
            } else {
                check(status == kNoStatus && record.lastReport == before);
            }
            break;
        }
        case 2: {
            const StatusReading reading = link.ReadReceiverStatus();
            check(reading.result == ReceiverResult::Done || reading.status == kNoStatus);
            check(record.lastReport == before);
            break;
        }
        case 3:
            link.SendPairCommand();
            check(record.lastReport == before);
            break;
        case 4:
            platform.unplug();
            break;
        case 5:
            platform.plug();
            break;
        case 6:
            record.clearLastReport();
            break;
        default:
            if (platform.interfaceCount() > 0) {
                platform.interfaceAt(in.next() % platform.interfaceCount()).failingWrites = 1;
            }
            break;
        }

        const ReceiverResult result = link.lastWalk().result;
        if (listFails) {
            check(result == ReceiverResult::NoDeviceList || (op & 0x07) >= 4);
        }
        check(platform.openHandles() <= 1);
        check((record.receiverHandle != nullptr) == (platform.openHandles() == 1));
        check(isWholeAnswer(record.lastReport, receiverAnswer));
    }
    return 0;
}
