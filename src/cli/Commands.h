// The tool's receiver commands, each returning the process exit code.
#pragma once

#include "CliContext.h"

namespace tandrel::cli {

struct CommandOptions {
    bool json = false;
    int timeoutSeconds = 30;
};

// Says on standard error that a stop signal ended the command, in `words` or the signal's own, and
// gives the exit code that tells which signal it was.
ExitCode stoppedBySignal(CliContext& ctx, const char* words = nullptr);

ExitCode runStatus(CliContext& ctx, const CommandOptions& options);
ExitCode runInfo(CliContext& ctx, const CommandOptions& options);
ExitCode runPair(CliContext& ctx, const CommandOptions& options);
ExitCode runList(CliContext& ctx, const CommandOptions& options);

} // namespace tandrel::cli
