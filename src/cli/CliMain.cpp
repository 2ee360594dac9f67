// Parses with CLI11 and hands over to the commands.
#include "CliMain.h"

#include "Commands.h"
#include "NamesCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <optional>

namespace tandrel::cli {
namespace {

constexpr const char* kFooter =
    R"(The window's texts printed beside the tool's own (the status in brackets, the fields'
fallbacks) are in the window's language, from LANGUAGE, LC_ALL, LC_MESSAGES and LANG;
--json keeps them as the Chinese window shows them.

Exit codes:
  0  success
  1  failure (the receiver did not answer, HID devices cannot be listed, ...)
  2  usage error
  3  no receiver found
  4  permission denied (install the udev rule 70-tandrel.rules)
  5  pairing timed out
  130  interrupted (Ctrl-C)
  143  terminated (SIGTERM))";

constexpr int kMinTimeout = 1;
constexpr int kMaxTimeout = 3600; // an hour; no pairing takes longer
constexpr const char* kSeconds = "whole seconds from 1 to 3600";

// The seconds --timeout gives, or nothing for a text that is not a whole number in range.
std::optional<int> timeoutSeconds(const std::string& text) {
    int seconds = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seconds);
    if (error != std::errc{} || stop != end || seconds < kMinTimeout || seconds > kMaxTimeout) {
        return std::nullopt;
    }
    return seconds;
}

// The tool's own words for what CLI11 rejected: its texts change between its versions.
std::string usageWords(const CLI::ParseError& e, const CLI::App& app, const CLI::App& pair) {
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
        // A value missing or given twice; only pair and names have options that take one.
        return pair.parsed() ? std::string("--timeout takes one value: ") + kSeconds
                             : "--file takes one value: the file to read";
    }
    if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr) {
        return "--json takes no value"; // the only option CLI11 converts
    }
    const std::vector<std::string> rest = app.remaining(true);
    const auto word = std::find_if(rest.begin(), rest.end(),
                                   [](const std::string& arg) { return !arg.starts_with('-'); });
    // CLI11 takes an unknown command for a missing one; name it instead.
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && word != rest.end()) {
        return "Unknown command: " + *word;
    }
    if (!rest.empty()) {
        return "Unexpected argument: " + rest.front();
    }
    return dynamic_cast<const CLI::RequiredError*>(&e) != nullptr
               ? "A command is required: status, info, pair, list or names"
               : "The command line is not understood";
}

int usageError(CliContext& ctx, const std::string& words) {
    ctx.err << words << "\nRun with --help for more information.\n";
    return static_cast<int>(ExitCode::Usage);
}

} // namespace

int runCli(int argc, const char* const* argv, CliContext& ctx) {
    CLI::App app{"Pairs a wireless keyboard with its USB receiver and shows what the receiver "
                 "knows about it.",
                 "tandrel-cli"};
    app.set_version_flag("--version", TANDREL_VERSION);
    app.footer(kFooter);
    app.require_subcommand(1);
    app.fallthrough();

    CommandOptions options;
    app.add_flag("--json", options.json, "Print one JSON object instead of text");

    auto* status = app.add_subcommand("status", "Say whether the keyboard is connected");
    auto* info = app.add_subcommand("info", "Show the keyboard's model, colour, switch, firmware");
    auto* pair = app.add_subcommand("pair", "Pair a keyboard with the receiver");
    // Taken as text and read here, so that a wrong value is told in the tool's words.
    std::string timeout = std::to_string(options.timeoutSeconds);
    pair->add_option("--timeout", timeout, "Seconds to wait for the keyboard, from 1 to 3600")
        ->type_name("SECONDS")
        ->capture_default_str();
    auto* list = app.add_subcommand("list", "List the receiver's HID interfaces");
    auto* names = app.add_subcommand("names", "Show the Set.xml in use and its name tables");
    std::string namesFile;
    names->add_option("--file", namesFile, "Read this file instead of searching for Set.xml");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(e, ctx.out, ctx.err); // --help or --version
        }
        return usageError(ctx, usageWords(e, app, *pair));
    }
    if (pair->parsed()) {
        const std::optional<int> seconds = timeoutSeconds(timeout);
        if (!seconds) {
            return usageError(ctx, std::string("--timeout takes ") + kSeconds + ", not '" +
                                       timeout + "'");
        }
        options.timeoutSeconds = *seconds;
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
    // A signal that came while a command ran ends the tool as the signal would, whatever the
    // command found meanwhile.
    if (ctx.stops.taken() != 0 && code != ExitCode::Interrupted && code != ExitCode::Terminated) {
        code = stoppedBySignal(ctx);
    }
    return static_cast<int>(code);
}

} // namespace tandrel::cli
