// Parses with CLI11 and hands over to the commands.
#include "CliMain.h"

#include "Commands.h"
#include "NamesCommand.h"

#include <CLI/CLI.hpp>
#include <optional>

namespace tandrel::cli {
namespace {

constexpr const char* kExitCodes = R"(Exit codes:
  0  success
  1  failure (the receiver did not answer, HID devices cannot be listed, ...)
  2  usage error
  3  no receiver found
  4  permission denied (install the udev rule 70-tandrel.rules)
  5  pairing timed out
  130  interrupted (Ctrl-C))";

} // namespace

int runCli(int argc, const char* const* argv, CliContext& ctx) {
    CLI::App app{"Pairs a wireless keyboard with its USB receiver and shows what the receiver "
                 "knows about it.",
                 "tandrel-cli"};
    app.set_version_flag("--version", TANDREL_VERSION);
    app.footer(kExitCodes);
    app.require_subcommand(1);
    app.fallthrough();

    CommandOptions options;
    app.add_flag("--json", options.json, "Print one JSON object instead of text");

    auto* status = app.add_subcommand("status", "Say whether the keyboard is connected");
    auto* info = app.add_subcommand("info", "Show the keyboard's model, colour, switch, firmware");
    auto* pair = app.add_subcommand("pair", "Pair a keyboard with the receiver");
    pair->add_option("--timeout", options.timeoutSeconds, "Seconds to wait for the keyboard")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
    auto* list = app.add_subcommand("list", "List the receiver's HID interfaces");
    auto* names = app.add_subcommand("names", "Show the Set.xml in use and its name tables");
    std::string namesFile;
    names->add_option("--file", namesFile, "Read this file instead of searching for Set.xml");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // CLI11 takes an unknown command for a missing one; name it instead.
        if (e.get_name() == "RequiredError") {
            for (int i = 1; i < argc; ++i) {
                if (argv[i][0] != '-') {
                    ctx.err << "Unknown command: " << argv[i]
                            << "\nRun with --help for more information.\n";
                    return static_cast<int>(ExitCode::Usage);
                }
            }
        }
        const int code = app.exit(e, ctx.out, ctx.err);
        return code == 0 ? 0 : static_cast<int>(ExitCode::Usage);
    }

    ExitCode code = ExitCode::Usage;
    if (status->parsed()) {
        code = runStatus(ctx, options);
    } else if (info->parsed()) {
        code = runInfo(ctx, options);
    } else if (pair->parsed()) {
        code = runPair(ctx, options);
    } else if (list->parsed()) {
        code = runList(ctx, options);
    } else if (names->parsed()) {
        const FixedSetXmlLocator chosen(namesFile);
        code = runNames(ctx, namesFile.empty() ? ctx.setXml : chosen, options.json);
    }
    return static_cast<int>(code);
}

} // namespace tandrel::cli
