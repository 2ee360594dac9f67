// The window's behaviour over time: the start-up probe, the Connect button and the three timers.
// Each handler awaits the receiver where it exchanges with it, and runs once those before it ended.
#include "CTandrelDlg.h"
#include "DialogTemplate.h"
#include "Texts.h"

#include <chrono>

namespace tandrel {
namespace {

using namespace std::chrono_literals;
constexpr auto kPairSettle = 100ms; // the receiver needs a moment before it reports the pairing

} // namespace

void CTandrelDlg::enterState(std::int32_t state, const char* statusText) {
    context_.session.ConnectionState = state;
    setStatus(translated(statusText));
}

void CTandrelDlg::setConnectEnabled(bool enabled) {
    control(ctl::kConnect)->setEnabled(enabled);
}

void CTandrelDlg::startTimer(int id) {
    timers_.at(static_cast<std::size_t>(id - 1)).start();
    ++timerStarts_.at(static_cast<std::size_t>(id - 1));
}

int CTandrelDlg::timerStarts(int id) const {
    return timerStarts_.at(static_cast<std::size_t>(id - 1));
}

std::chrono::milliseconds CTandrelDlg::timerPeriod(int id) const {
    return timers_.at(static_cast<std::size_t>(id - 1)).intervalAsDuration();
}

void CTandrelDlg::stopTimer(int id) {
    timers_.at(static_cast<std::size_t>(id - 1)).stop();
    handlers_.dropTick(id);
}

bool CTandrelDlg::isTimerRunning(int id) const {
    return id >= kPairingPollTimer && id <= kReceiverWatchTimer &&
           timers_.at(static_cast<std::size_t>(id - 1)).isActive();
}

bool CTandrelDlg::OnInitDialog() {
    context_.session.ConnectionState = connection::kNotConnected;
    context_.session.PairingTextStep = 0;
    startTimer(kReceiverWatchTimer);
    handlers_.add({HandlerEvent::Kind::Init});
    return true;
}

void CTandrelDlg::OnConnectClicked() {
    handlers_.add({HandlerEvent::Kind::ConnectClick});
}

void CTandrelDlg::OnTimer(int id) {
    if (id >= kPairingPollTimer && id <= kReceiverWatchTimer) {
        handlers_.add({HandlerEvent::Kind::Tick, id});
    }
}

Task CTandrelDlg::runHandler(HandlerEvent event) {
    switch (event.kind) {
    case HandlerEvent::Kind::Init:
        return initialProbe();
    case HandlerEvent::Kind::ConnectClick:
        return connectFlow();
    case HandlerEvent::Kind::RefreshClick:
        return RefreshDeviceInfo();
    case HandlerEvent::Kind::Tick:
        break;
    }
    if (event.timerId == kPairingPollTimer) {
        return onPairingPollTick();
    }
    return event.timerId == kConnectedPollTimer ? onConnectedPollTick() : onReceiverWatchTick();
}

Task CTandrelDlg::initialProbe() {
    const bool found = co_await receiver_.FindReceiver();
    if (!found) {
        enterState(connection::kNotConnected, text::kNoReceiver);
        setConnectEnabled(false);
        co_return;
    }
    receiver_.clearLastReport();
    showLinkStatus(co_await receiver_.ReadReceiverInfo());
}

Task CTandrelDlg::connectFlow() {
    ClearDeviceInfo();
    UpdateData(true);
    receiver_.clearLastReport();

    const PairOutcome sent = co_await receiver_.SendPairCommand();
    if (sent.result != ReceiverResult::Done) {
        // Without the udev rule the receiver is there but cannot be opened; say so rather than
        // leave the user with a bare "failed".
        if (sent.result == ReceiverResult::NoAnswer && sent.everyOpenDenied) {
            showWhenHandlerEnds(translated(text::kNoPermission));
        }
        reportFailure(sent.result, text::kPairCommandFailed);
        co_return;
    }

    co_await receiver_.pause(kPairSettle);
    showLinkStatus(co_await receiver_.ReadReceiverInfo());
}

void CTandrelDlg::showLinkStatus(std::uint8_t status) {
    switch (status) {
    case kLinkConnected:
        enterState(connection::kConnected, text::kConnected);
        ShowDeviceInfo(true);
        startTimer(kConnectedPollTimer);
        break;
    case kLinkPairing:
        enterState(connection::kPairing, text::kPairingSixDots);
        ShowDeviceInfo(false);
        startTimer(kPairingPollTimer);
        break;
    default:
        enterState(connection::kNotConnected, text::kNotConnected);
        ShowDeviceInfo(false);
        break;
    }
}

void CTandrelDlg::reportFailure(ReceiverResult result, const char* last) {
    if (result == ReceiverResult::NoDeviceList) {
        showWhenHandlerEnds(translated(text::kNoDeviceList));
    } else if (result == ReceiverResult::NoScratchBuffer) {
        showWhenHandlerEnds(translated(text::kNoScratchBuffer));
    }
    showWhenHandlerEnds(translated(last));
}

// Both timers run at the same period, so restarting a running pairing poll from here would push
// its tick back every second, just before it falls due: the poll would never tick, and the window
// would neither cycle the pairing texts nor ever show the connection.
void CTandrelDlg::keepPairingPollRunning() {
    if (!isTimerRunning(kPairingPollTimer)) {
        startTimer(kPairingPollTimer);
    }
}

Task CTandrelDlg::onPairingPollTick() {
    const std::uint8_t status = (co_await receiver_.ReadReceiverStatus()).status;
    if (status == kLinkConnected) {
        stopTimer(kPairingPollTimer);
        co_await RefreshDeviceInfo();
    } else if (status == kLinkPairing) {
        std::int32_t& step = context_.session.PairingTextStep;
        // Anything outside 0..2 restarts the cycle rather than indexing past the texts.
        const std::size_t shown = step >= 0 && step <= 2 ? static_cast<std::size_t>(step) : 0;
        enterState(connection::kPairing, text::kPairingCycle.at(shown));
        step = static_cast<std::int32_t>((shown + 1) % text::kPairingCycle.size());
    } else {
        enterState(connection::kNotConnected, text::kNotConnected);
        stopTimer(kPairingPollTimer);
    }
}

Task CTandrelDlg::onConnectedPollTick() {
    const std::uint8_t status = (co_await receiver_.ReadReceiverStatus()).status;
    if (status == kLinkConnected) {
        co_await RefreshDeviceInfo();
    } else if (status == kLinkPairing) {
        enterState(connection::kPairing, text::kPairingSixDots);
        stopTimer(kConnectedPollTimer);
        startTimer(kPairingPollTimer);
    } else {
        enterState(connection::kNotConnected, text::kNotConnected);
        stopTimer(kConnectedPollTimer);
    }
}

Task CTandrelDlg::onReceiverWatchTick() {
    const bool found = co_await receiver_.FindReceiver();
    if (!found) {
        enterState(connection::kNotConnected, text::kNoReceiver);
        setConnectEnabled(false);
        ClearDeviceInfo();
        stopTimer(kPairingPollTimer);
        stopTimer(kConnectedPollTimer);
        co_return;
    }
    setConnectEnabled(true);
    receiver_.clearLastReport();
    const std::uint8_t status = co_await receiver_.ReadReceiverInfo();
    if (status == kLinkConnected) {
        // Shown once a pairing poll confirms it.
        keepPairingPollRunning();
    } else if (status == kLinkPairing) {
        enterState(connection::kPairing, text::kPairingSixDots);
        ShowDeviceInfo(false);
        keepPairingPollRunning();
    } else {
        enterState(connection::kNotConnected, text::kNotConnected);
        ShowDeviceInfo(false);
    }
}

} // namespace tandrel
