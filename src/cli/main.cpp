// tandrel-cli on the real HID devices.
#include "BlockedStopSignals.h"
#include "CliMain.h"
#include "LinuxHidPlatform.h"
#include "NameTables.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    tandrel::cli::BlockedStopSignals stops;
    tandrel::LinuxHidPlatform platform;
    const auto setXml = tandrel::StandardSetXmlLocator::forThisProcess();
    const tandrel::NameTables names(setXml);
    tandrel::cli::CliContext ctx{
        .platform = platform,
        .setXml = setXml,
        .lookups = {[&names](int code) { return names.LookUpSwitchName(code); },
                    [&names](int code) { return names.LookUpColourName(code); }},
        .out = std::cout,
        .err = std::cerr,
        .outIsTerminal = isatty(STDOUT_FILENO) == 1,
        .stops = stops,
        .language = tandrel::chooseDisplayLanguage(tandrel::preferredLanguages(std::getenv)),
    };
    return tandrel::cli::runCli(argc, argv, ctx);
}
