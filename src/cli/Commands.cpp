// status, info, pair and list over the same receiver walk and decoding as the window.
#include "Commands.h"

#include "ReceiverProbe.h"
#include "Utf8.h"

#include <algorithm>
#include <csignal>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <string>

namespace tandrel::cli {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr auto kPairSettle = 100ms; // the receiver needs a moment before it reports the pairing
constexpr auto kPollPeriod = 1s;

constexpr const char* kRuleHelp =
    "install the udev rule 70-tandrel.rules (from the package, or copy res/linux/70-tandrel.rules "
    "to /etc/udev/rules.d/), run 'sudo udevadm control --reload-rules && sudo udevadm trigger', "
    "then unplug the receiver and plug it in again";

json baseJson(const ProbeResult& probe) {
    json j;
    j["status"] = situationKey(probe.situation);
    j["linkStatus"] = probe.linkStatus ? json(*probe.linkStatus) : json(nullptr);
    j["path"] = probe.path ? json(*probe.path) : json(nullptr);
    return j;
}

void addTexts(json& j, const DeviceTexts& texts) {
    j["model"] = toUtf8(texts.modelText);
    j["colour"] = toUtf8(texts.colourText);
    j["switch"] = toUtf8(texts.switchText);
    j["firmware"] = toUtf8(texts.firmwareText);
}

// The texts the window shows after the same look: names only when the receiver answered.
DeviceTexts textsFor(const ProbeResult& probe, const DeviceRecord& record, const CliContext& ctx) {
    if (!probe.linkStatus) {
        return {};
    }
    return decodeDeviceInfo(record.lastReport, probe.situation == Situation::Connected,
                            ctx.lookups);
}

// The window's texts in the window's language; --json keeps them as the Chinese window shows them.
void printTexts(CliContext& ctx, const ProbeResult& probe, const DeviceTexts& texts) {
    const auto shown = [&ctx](std::u16string_view text) {
        return toUtf8(inLanguage(text, ctx.language));
    };
    ctx.out << "Status:   " << situationWords(probe.situation) << " ("
            << shown(windowStatusText(probe.situation)) << ")\n";
    if (probe.situation == Situation::NoReceiver) {
        return;
    }
    ctx.out << "Model:    " << shown(texts.modelText) << "\n"
            << "Colour:   " << shown(texts.colourText) << "\n"
            << "Switch:   " << shown(texts.switchText) << "\n"
            << "Firmware: " << shown(texts.firmwareText) << "\n";
}

// Explains a failed look on standard error and picks the exit code; Success when nothing failed.
ExitCode report(CliContext& ctx, const ProbeResult& probe) {
    const std::string path = probe.path.value_or("the receiver");
    switch (probe.trouble) {
    case Trouble::CannotList:
        ctx.err << "tandrel-cli: cannot list the HID devices of this system (is udev running?)\n";
        return ExitCode::Failure;
    case Trouble::PermissionDenied:
        ctx.err << "tandrel-cli: permission denied on " << path << ": " << kRuleHelp << ".\n";
        return ExitCode::PermissionDenied;
    case Trouble::NoAnswer:
        // The walk names only interfaces that failed to open, not one that opened and fell silent.
        ctx.err << "tandrel-cli: the receiver" << (probe.path ? " at " + *probe.path : "")
                << " did not answer; unplug it and plug it in again.\n";
        return ExitCode::Failure;
    case Trouble::None:
        break;
    }
    if (probe.situation == Situation::NoReceiver) {
        ctx.err << "tandrel-cli: no receiver found; plug the receiver into a USB port.\n";
        return ExitCode::NoReceiver;
    }
    return ExitCode::Success;
}

void emitJson(CliContext& ctx, const json& j) {
    ctx.out << j.dump() << "\n";
}

// The walk asks before each write whether a stop signal came, and ends there if one did.
ReceiverLink::StopCheck stopCheck(CliContext& ctx) {
    return [&stops = ctx.stops] { return stops.taken() != 0; };
}

} // namespace

ExitCode stoppedBySignal(CliContext& ctx, const char* words) {
    const bool terminated = ctx.stops.taken() == SIGTERM;
    if (words == nullptr) {
        words = terminated ? "terminated" : "interrupted";
    }
    ctx.err << "tandrel-cli: " << words << ".\n";
    return terminated ? ExitCode::Terminated : ExitCode::Interrupted;
}

ExitCode runStatus(CliContext& ctx, const CommandOptions& options) {
    DeviceRecord record;
    ReceiverLink link(ctx.platform, record, stopCheck(ctx));
    const ProbeResult probe = probeReceiver(link, record);
    const bool stopped = ctx.stops.taken() != 0;
    if (options.json) {
        emitJson(ctx, baseJson(probe));
    } else if (!stopped) {
        ctx.out << situationWords(probe.situation) << "\n";
    }
    return stopped ? stoppedBySignal(ctx) : report(ctx, probe);
}

ExitCode runInfo(CliContext& ctx, const CommandOptions& options) {
    DeviceRecord record;
    ReceiverLink link(ctx.platform, record, stopCheck(ctx));
    const ProbeResult probe = probeReceiver(link, record);
    const bool stopped = ctx.stops.taken() != 0;
    const DeviceTexts texts = textsFor(probe, record, ctx);
    if (options.json) {
        json j = baseJson(probe);
        addTexts(j, texts);
        emitJson(ctx, j);
    } else if (!stopped) {
        printTexts(ctx, probe, texts);
    }
    return stopped ? stoppedBySignal(ctx) : report(ctx, probe);
}

ExitCode runPair(CliContext& ctx, const CommandOptions& options) {
    using Clock = StopSignals::Clock;
    const Clock::time_point started = ctx.stops.now();
    const Clock::time_point deadline = started + std::chrono::seconds(options.timeoutSeconds);
    DeviceRecord record;
    ReceiverLink link(ctx.platform, record, stopCheck(ctx));

    auto finish = [&](const ProbeResult& probe, const char* result, ExitCode code) {
        if (options.json) {
            json j = baseJson(probe);
            addTexts(j, textsFor(probe, record, ctx));
            j["result"] = result;
            emitJson(ctx, j);
        }
        return code;
    };

    const bool progressLine = ctx.outIsTerminal && !options.json;
    auto showProgress = [&](const ProbeResult& probe) {
        if (options.json) {
            return;
        }
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(ctx.stops.now() - started).count();
        if (progressLine) {
            ctx.out << "\r" << std::setw(3) << seconds << " s  " << std::left << std::setw(14)
                    << situationWords(probe.situation) << std::right << std::flush;
        } else {
            ctx.out << seconds << " s: " << situationWords(probe.situation) << "\n";
        }
    };
    auto endProgressLine = [&] {
        if (progressLine) {
            ctx.out << "\n";
        }
    };

    // What is known when a stop signal comes: before the first look, only where the command went.
    ProbeResult last;
    auto cancelled = [&] {
        endProgressLine();
        return finish(last, "interrupted", stoppedBySignal(ctx, "pairing cancelled"));
    };

    const ReceiverResult sent = link.SendPairCommand();
    last = classify(link.lastWalk(), kNoStatus);
    last.linkStatus.reset();
    if (ctx.stops.taken() != 0) {
        return cancelled();
    }
    if (sent != ReceiverResult::Done) {
        const ExitCode code = report(ctx, last);
        if (code == ExitCode::Failure && last.trouble == Trouble::NoAnswer) {
            ctx.err << "tandrel-cli: the pair command could not be sent.\n";
        }
        return finish(last, "failed", code == ExitCode::Success ? ExitCode::Failure : code);
    }
    if (!ctx.stops.pause(kPairSettle)) {
        return cancelled();
    }
    for (;;) {
        const ProbeResult probe = probeReceiver(link, record);
        if (ctx.stops.taken() != 0) {
            return cancelled(); // what this look met may be cut short: the one before stands
        }
        last = probe;
        showProgress(probe);
        if (probe.situation == Situation::Connected) {
            endProgressLine();
            if (!options.json) {
                printTexts(ctx, probe, textsFor(probe, record, ctx));
            }
            return finish(probe, "connected", ExitCode::Success);
        }
        if (probe.situation == Situation::NoReceiver || probe.trouble == Trouble::CannotList ||
            probe.trouble == Trouble::PermissionDenied) {
            endProgressLine();
            return finish(probe, "failed", report(ctx, probe));
        }
        // A receiver that stopped taking commands will not pair, and each look would wait out
        // another USB time-out.
        if (probe.trouble == Trouble::NoAnswer && link.lastWalk().writeTimedOut) {
            endProgressLine();
            return finish(probe, "failed", report(ctx, probe));
        }
        // The time-out counts on the clock, looks and pauses alike: no look begins after it.
        if (ctx.stops.now() < deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - ctx.stops.now());
            if (!ctx.stops.pause(std::min<std::chrono::milliseconds>(kPollPeriod, left))) {
                return cancelled();
            }
        }
        if (ctx.stops.now() >= deadline) {
            endProgressLine();
            ctx.err << "tandrel-cli: pairing timed out after " << options.timeoutSeconds << " s; "
                    << (probe.trouble == Trouble::NoAnswer
                            ? "the receiver did not answer; unplug it and plug it in again.\n"
                            : "switch the keyboard on, keep it near the receiver and try again.\n");
            return finish(probe, "timeout", ExitCode::PairingTimedOut);
        }
    }
}

ExitCode runList(CliContext& ctx, const CommandOptions& options) {
    const auto interfaces = ctx.platform.listInterfaces();
    if (!interfaces) {
        const ProbeResult probe{Situation::NoReceiver, Trouble::CannotList, {}, {}};
        if (options.json) {
            json j = baseJson(probe);
            j["interfaces"] = json::array();
            emitJson(ctx, j);
        }
        return report(ctx, probe);
    }

    DeviceRecord record;
    ReceiverLink link(ctx.platform, record, stopCheck(ctx));
    const ProbeResult probe = probeReceiver(link, record);
    record.receiverHandle.reset(); // the open test below must not count our own handle

    std::optional<std::string> used;
    json rows = json::array();
    for (const HidInterface& candidate : *interfaces) {
        if (candidate.vendorId != kReceiverVendorId || candidate.productId != kReceiverProductId) {
            continue;
        }
        const bool isUsed = !used && !candidate.path.empty() && isReceiverInterface(candidate);
        if (isUsed) {
            used = candidate.path;
        }
        const OpenResult opened = ctx.platform.open(candidate.path);
        std::string access = "can be opened";
        if (!opened.handle) {
            access = opened.error == OpenError::PermissionDenied ? "permission denied"
                     : opened.error == OpenError::NotFound       ? "gone"
                                                                 : "cannot be opened";
        }
        rows.push_back({{"path", candidate.path},
                        {"interface", candidate.interfaceNumber},
                        {"openable", opened.handle != nullptr},
                        {"access", access},
                        {"used", isUsed}});
        if (!options.json) {
            ctx.out << (isUsed ? "* " : "  ") << candidate.path << "  interface "
                    << candidate.interfaceNumber << "  " << access << "\n";
        }
    }

    if (options.json) {
        json j = baseJson(probe);
        j["interfaces"] = rows;
        emitJson(ctx, j);
    } else if (rows.empty()) {
        ctx.out << "no receiver interfaces\n";
    } else {
        ctx.out << "(* marks the interface the tool uses)\n";
    }
    if (rows.empty()) {
        return report(ctx, ProbeResult{});
    }
    return report(ctx, probe);
}

} // namespace tandrel::cli
