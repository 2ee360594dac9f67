// The command line of tandrel-cli: parsing, dispatch and exit codes.
#pragma once

#include "CliContext.h"

namespace tandrel::cli {

int runCli(int argc, const char* const* argv, CliContext& ctx);

} // namespace tandrel::cli
