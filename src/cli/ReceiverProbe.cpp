// Maps walk outcomes onto the four situations and the reasons a look can fail.
#include "ReceiverProbe.h"

#include "StatusTexts.h"

namespace tandrel::cli {

Situation situationOf(std::uint8_t linkStatus) {
    switch (linkStatus) {
    case kLinkConnected:
        return Situation::Connected;
    case kLinkPairing:
        return Situation::Pairing;
    default:
        return Situation::NotConnected;
    }
}

ProbeResult classify(const WalkOutcome& walk, std::uint8_t status) {
    ProbeResult probe;
    switch (walk.result) {
    case ReceiverResult::Done:
        probe.situation = situationOf(status);
        probe.linkStatus = status;
        probe.path = walk.receiverPath;
        return probe;
    case ReceiverResult::NoDeviceList:
    case ReceiverResult::NoScratchBuffer:
        probe.trouble = Trouble::CannotList;
        return probe;
    case ReceiverResult::NoAnswer:
        break;
    }
    if (walk.candidates == 0) {
        return probe;
    }
    probe.situation = Situation::NotConnected;
    if (!walk.openFailures.empty()) {
        probe.path = walk.openFailures.front().path;
    }
    probe.trouble = walk.everyOpenDenied() ? Trouble::PermissionDenied : Trouble::NoAnswer;
    return probe;
}

ProbeResult probeReceiver(ReceiverLink& link, DeviceRecord& record) {
    record.clearLastReport();
    const std::uint8_t status = link.ReadReceiverInfo();
    return classify(link.lastWalk(), status);
}

const char* situationKey(Situation situation) {
    switch (situation) {
    case Situation::NoReceiver:
        return "no-receiver";
    case Situation::NotConnected:
        return "not-connected";
    case Situation::Pairing:
        return "pairing";
    case Situation::Connected:
        return "connected";
    }
    return "no-receiver";
}

const char* situationWords(Situation situation) {
    switch (situation) {
    case Situation::NoReceiver:
        return "no receiver";
    case Situation::NotConnected:
        return "not connected";
    case Situation::Pairing:
        return "pairing";
    case Situation::Connected:
        return "connected";
    }
    return "no receiver";
}

std::u16string windowStatusText(Situation situation) {
    switch (situation) {
    case Situation::NoReceiver:
        return std::u16string(status::kNoReceiver);
    case Situation::NotConnected:
        return std::u16string(status::kNotConnected);
    case Situation::Pairing:
        return std::u16string(status::kPairingSixDots);
    case Situation::Connected:
        return std::u16string(status::kConnected);
    }
    return {};
}

} // namespace tandrel::cli
