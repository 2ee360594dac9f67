// tandrel-cli on the real HID devices.
#include "CliMain.h"
#include "LinuxHidPlatform.h"
#include "NameTables.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace {

// Ctrl-C is taken synchronously during waits, so an interrupted pairing closes the receiver
// cleanly instead of dying inside a report exchange.
sigset_t blockStopSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    return stops;
}

bool waitUnlessStopped(const sigset_t& stops, std::chrono::milliseconds wait) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    timespec remaining{static_cast<time_t>(seconds.count()),
                       static_cast<long>((wait - seconds).count() * 1'000'000)};
    return sigtimedwait(&stops, nullptr, &remaining) < 0;
}

} // namespace

int main(int argc, char** argv) {
    const sigset_t stops = blockStopSignals();
    tandrel::LinuxHidPlatform platform;
    const auto setXml = tandrel::StandardSetXmlLocator::forThisProcess();
    const tandrel::NameTables names(setXml);
    tandrel::cli::CliContext ctx{
        platform,
        setXml,
        {[&names](int code) { return names.LookUpSwitchName(code); },
         [&names](int code) { return names.LookUpColourName(code); }},
        std::cout,
        std::cerr,
        isatty(STDOUT_FILENO) == 1,
        [&stops](std::chrono::milliseconds wait) { return waitUnlessStopped(stops, wait); },
        tandrel::chooseDisplayLanguage(tandrel::preferredLanguages(std::getenv))};
    return tandrel::cli::runCli(argc, argv, ctx);
}
