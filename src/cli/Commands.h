// The tool's receiver commands, each returning the process exit code.
#pragma once

#include "CliContext.h"

namespace tandrel::cli {

struct CommandOptions {
    bool json = false;
    int timeoutSeconds = 30;
};

ExitCode runStatus(CliContext& ctx, const CommandOptions& options);
ExitCode runInfo(CliContext& ctx, const CommandOptions& options);
ExitCode runPair(CliContext& ctx, const CommandOptions& options);
ExitCode runList(CliContext& ctx, const CommandOptions& options);

} // namespace tandrel::cli
