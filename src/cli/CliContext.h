// Everything the command-line tool touches outside itself, so tests can run it in-process.
#pragma once

#include "DeviceInfoText.h"
#include "DisplayLanguage.h"
#include "HidPlatform.h"
#include "SetXmlLocator.h"
#include "StopSignals.h"

#include <ostream>

namespace tandrel::cli {

struct CliContext {
    HidPlatform& platform;
    const SetXmlLocator& setXml; // where the look-ups find Set.xml
    NameLookups lookups;
    std::ostream& out;
    std::ostream& err;
    bool outIsTerminal = false;
    StopSignals& stops;
    // The window's, for the window's texts that the tool prints beside its own English words.
    DisplayLanguage language = DisplayLanguage::Chinese;
};

enum class ExitCode : int {
    Success = 0,
    Failure = 1,
    Usage = 2,
    NoReceiver = 3,
    PermissionDenied = 4,
    PairingTimedOut = 5,
    // What shells report for a program ended by a signal: 128 and its number.
    Interrupted = 130, // SIGINT, Ctrl-C
    Terminated = 143,  // SIGTERM
};

} // namespace tandrel::cli
