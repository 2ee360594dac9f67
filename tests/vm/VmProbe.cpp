// Runs one receiver operation through the real hidapi backend and prints what it met as
// key=value lines, so a shell script inside the test machine can check it.
#include "DeviceRecord.h"
#include "HidapiPlatform.h"
#include "ReceiverLink.h"

#include <chrono>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace {

using namespace tandrel;

constexpr int kExitDone = 0;
constexpr int kExitNotDone = 1;
constexpr int kExitUsage = 2;

const char* resultName(ReceiverResult result) {
    switch (result) {
    case ReceiverResult::Done:
        return "Done";
    case ReceiverResult::NoDeviceList:
        return "NoDeviceList";
    case ReceiverResult::NoScratchBuffer:
        return "NoScratchBuffer";
    case ReceiverResult::NoAnswer:
        return "NoAnswer";
    }
    return "Unknown";
}

const char* openErrorName(OpenError error) {
    switch (error) {
    case OpenError::PermissionDenied:
        return "PermissionDenied";
    case OpenError::NotFound:
        return "NotFound";
    case OpenError::Other:
        return "Other";
    }
    return "Unknown";
}

std::string hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

void printWalk(const WalkOutcome& walk) {
    std::printf("done=%d\n", walk.receiverPath ? 1 : 0);
    std::printf("path=%s\n", walk.receiverPath ? walk.receiverPath->c_str() : "");
    std::printf("candidates=%d\n", walk.candidates);
    for (const OpenFailure& failure : walk.openFailures) {
        std::printf("open_failure=%s %s\n", failure.path.c_str(), openErrorName(failure.error));
    }
    std::printf("every_open_denied=%d\n", walk.everyOpenDenied() ? 1 : 0);
}

int listInterfaces(HidPlatform& platform) {
    const auto interfaces = platform.listInterfaces();
    if (!interfaces) {
        std::printf("result=NoDeviceList\n");
        return kExitNotDone;
    }
    for (const HidInterface& each : *interfaces) {
        std::printf("interface=%s %04x:%04x %d\n", each.path.c_str(), each.vendorId, each.productId,
                    each.interfaceNumber);
    }
    return kExitDone;
}

int usage() {
    std::fprintf(stderr, "usage: vm_probe list|find|status|info|pair\n");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return usage();
    }
    const std::string_view op = argv[1];
    HidapiPlatform platform;
    if (op == "list") {
        return listInterfaces(platform);
    }

    DeviceRecord record;
    ReceiverLink link(platform, record);
    const auto started = std::chrono::steady_clock::now();
    if (op == "find") {
        link.FindReceiver();
    } else if (op == "status") {
        const StatusReading reading = link.ReadReceiverStatus();
        std::printf("result=%s\nstatus=%u\n", resultName(reading.result), reading.status);
    } else if (op == "info") {
        const unsigned status = link.ReadReceiverInfo();
        std::printf("status=%u\nanswer=%s\n", status, hex(record.lastReport).c_str());
    } else if (op == "pair") {
        std::printf("result=%s\n", resultName(link.SendPairCommand()));
    } else {
        return usage();
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    printWalk(link.lastWalk());
    std::printf("elapsed_ms=%lld\n", static_cast<long long>(elapsed.count()));
    return link.lastWalk().receiverPath ? kExitDone : kExitNotDone;
}
