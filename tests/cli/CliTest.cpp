// tandrel-cli end to end, in-process, over the simulated receiver: exact outputs and exit codes.
#include "CliMain.h"
#include "SimulatedPlatform.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace tandrel::cli {
namespace {

using namespace std::chrono_literals;
using Out = std::tuple<int, std::string, std::string>; // exit code, standard error, standard output

const std::string kNoReceiver =
    "tandrel-cli: no receiver found; plug the receiver into a USB port.\n";
const std::string kDenied =
    "tandrel-cli: permission denied on /dev/hidraw2: install the udev rule 70-tandrel.rules (from "
    "the package, or copy res/linux/70-tandrel.rules to /etc/udev/rules.d/), run 'sudo udevadm "
    "control --reload-rules && sudo udevadm trigger', then unplug the receiver and plug it in "
    "again.\n";
const std::string kNamed = "Model:    V540N\nColour:   色1\nSwitch:   轴2\nFirmware: 1.05\n";
const std::string kConnected = "Status:   connected (已连接！！！)\n" + kNamed;
const std::string kTexts = R"({"colour":"色1","firmware":"1.05","linkStatus":)";
const std::string kTimedOut = "tandrel-cli: pairing timed out after 1 s; switch the keyboard on, "
                              "keep it near the receiver and try again.\n";

// Time passes in pauses only, and in `costs` of what else happens; a signal comes when `onPause`
// says false, or once `arrives` says true.
struct ScriptedStops final : StopSignals {
    int taken() override { return signal = signal == 0 && arrives() ? arriving : signal; }
    bool pause(std::chrono::milliseconds wait) override {
        pauses.push_back(wait), paused += wait;
        signal = signal == 0 && !onPause(pauses.size()) ? arriving : signal;
        return signal == 0;
    }
    Clock::time_point now() override { return Clock::time_point(paused + costs()); }

    int signal = 0, arriving = SIGINT;
    std::chrono::nanoseconds paused{};
    std::vector<std::chrono::milliseconds> pauses;
    std::function<bool(std::size_t)> onPause = [](std::size_t) { return true; };
    std::function<bool()> arrives = [] { return false; };
    std::function<std::chrono::milliseconds()> costs = [] { return 0ms; };
};

class Cli : public ::testing::Test {
protected:
    // After --json, the output must be one line, which is returned without its line end.
    Out run(std::vector<const char*> args) {
        args.insert(args.begin(), "tandrel-cli");
        std::ostringstream out, err;
        ScriptedStops scripted = stops;
        CliContext ctx{platform, locator, lookups, out, err, terminal, scripted, language};
        const int code = runCli(static_cast<int>(args.size()), args.data(), ctx);
        pauses = scripted.pauses, elapsed = scripted.now().time_since_epoch();
        EXPECT_EQ(platform.openHandles(), 0);
        const std::string text = out.str();
        const bool line =
            args.back() == std::string_view("--json") && text.find('\n') == text.size() - 1;
        return {code, err.str(), line ? text.substr(0, text.size() - 1) : text};
    }

    // Interface 2 is /dev/hidraw2; a V540N, firmware 1.05, switch code 3, colour code 2.
    void receiver(std::uint8_t linkStatus, std::vector<std::uint8_t> pairing = {}) {
        platform.removeAllInterfaces();
        platform.addReceiver("/dev/hidraw");
        platform.setAnswer(sim::makeAnswer({1, 5, 3, 2, 0, 0x0082}));
        platform.setLinkStatus(linkStatus);
        platform.setPairingScript(std::move(pairing));
    }

    FixedSetXmlLocator locator{"/nonexistent/Set.xml"};
    NameLookups lookups{[](int c) { return u"轴" + std::u16string(1, u'0' + char16_t(c)); },
                        [](int c) { return u"色" + std::u16string(1, u'0' + char16_t(c)); }};
    sim::SimulatedPlatform platform;
    bool terminal = false;
    ScriptedStops stops;                           // each run starts from a copy
    std::vector<std::chrono::milliseconds> pauses; // the latest run's
    std::chrono::nanoseconds elapsed{};
    std::function<bool(std::size_t)>& onPause = stops.onPause;
    DisplayLanguage language = DisplayLanguage::Chinese;
};

TEST_F(Cli, StatusAndInfoSayWhatTheReceiverSees) {
    const std::string noReceiver = "Status:   no receiver (未找到接收器!)\n";
    const std::string unanswered =
        "Status:   not connected (未连接!!!!!!)\nModel:    \nColour:   \nSwitch:   \nFirmware: \n";
    const std::tuple<std::function<void()>, int, std::string, std::string, std::string, std::string>
        cases[] = {
            // What status prints, what its JSON says after "linkStatus":, what info prints.
            {[] {}, 0, "connected", R"(3,"path":"/dev/hidraw2","status":"connected")", kConnected,
             ""},
            {[this] { platform.setLinkStatus(1), platform.setPairingScript({3}); }, 0, "pairing",
             R"(1,"path":"/dev/hidraw2","status":"pairing")",
             "Status:   pairing (配对中......)\n" + kNamed, ""},
            {[this] { platform.removeAllInterfaces(); }, 3, "no receiver",
             R"(null,"path":null,"status":"no-receiver")", noReceiver, kNoReceiver},
            {[this] { platform.interfaceAt(2).openFailure = OpenError::PermissionDenied; }, 4,
             "not connected", R"(null,"path":"/dev/hidraw2","status":"not-connected")", unanswered,
             kDenied},
            {[this] { platform.interfaceAt(2).readFault = sim::ReadFault::TimesOut; }, 1,
             "not connected", R"(null,"path":null,"status":"not-connected")", unanswered,
             "tandrel-cli: the receiver did not answer; unplug it and plug it in again.\n"},
            {[this] { platform.setListFails(true); }, 1, "no receiver",
             R"(null,"path":null,"status":"no-receiver")", noReceiver,
             "tandrel-cli: cannot list the HID devices of this system (is udev running?)\n"},
        };
    for (const auto& [setup, code, words, json, info, error] : cases) {
        receiver(3);
        setup();
        EXPECT_EQ(run({"status"}), Out(code, error, words + "\n"));
        EXPECT_EQ(run({"status", "--json"}), Out(code, error, R"({"linkStatus":)" + json + "}"));
        EXPECT_EQ(run({"info"}), Out(code, error, info));
        // A receiver that takes the pair command but answers nothing runs out the time-out.
        const bool silent = code == 1 && words == "not connected";
        EXPECT_EQ(std::get<1>(run({"pair", "--timeout", "2"})),
                  silent ? "tandrel-cli: pairing timed out after 2 s; " + error.substr(13) : error);
    }
    platform.setListFails(false);
    receiver(0);
    EXPECT_EQ(run({"info", "--json"}), Out(0, "",
                                           kTexts + R"(0,"model":"V540N","path":"/dev/hidraw2",)"
                                                    R"("status":"not-connected","switch":"轴2"})"));
}

// On an English desktop the window's texts are English, a name stays, --json keeps the Chinese.
TEST_F(Cli, TheWindowsTextsFollowItsLanguage) {
    language = DisplayLanguage::English;
    receiver(3);
    lookups = {[](int) { return u"连接"; }, [](int) { return u"其他类型"; }};
    EXPECT_EQ(std::get<2>(run({"info"})), "Status:   connected (Connected!!!)\nModel:    V540N\n"
                                          "Colour:   Other\nSwitch:   连接\nFirmware: 1.05\n");
    platform.setAnswer(sim::makeAnswer({1, 5, 3, 2, 0, 0x0082, false}));
    EXPECT_EQ(std::get<2>(run({"info"})),
              "Status:   connected (Connected!!!)\nModel:    No model stored!\nColour:   No colour "
              "stored!\nSwitch:   No switch stored!\nFirmware: 1.05\n");
    EXPECT_EQ(std::get<2>(run({"info", "--json"})),
              R"({"colour":"设备相应外壳颜色未写入！","firmware":"1.05","linkStatus":3,"model":)"
              R"("设备相应型号未写入！","path":"/dev/hidraw2","status":"connected","switch":)"
              R"("设备相应轴体未写入！"})");
}

TEST_F(Cli, PairFollowsTheReceiverUntilItEnds) {
    receiver(2, {1, 1, 3});
    EXPECT_EQ(run({"pair"}),
              Out(0, "", "0 s: pairing\n1 s: pairing\n2 s: connected\n" + kConnected));
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{100ms, 1s, 1s}));
    receiver(2, {2, 3});
    EXPECT_EQ(run({"pair", "--timeout", "3600", "--json"}),
              Out(0, "",
                  kTexts + R"(3,"model":"V540N","path":"/dev/hidraw2","result":)"
                           R"("connected","status":"connected","switch":"轴2"})"));
    receiver(2, {1});
    EXPECT_EQ(run({"pair", "--timeout", "1"}), Out(5, kTimedOut, "0 s: pairing\n"));
    receiver(2, {1});
    EXPECT_EQ(run({"pair", "--timeout", "1", "--json"}),
              Out(5, kTimedOut,
                  kTexts + R"(1,"model":"V540N","path":"/dev/hidraw2",)"
                           R"("result":"timeout","status":"pairing","switch":"轴2"})"));
    receiver(2, {1});
    onPause = [this](std::size_t) { // the permission goes once the pair command is sent
        return platform.interfaceAt(2).openFailure = OpenError::PermissionDenied, true;
    };
    EXPECT_EQ(run({"pair"}), Out(4, kDenied, "0 s: not connected\n"));
    receiver(2, {1});
    terminal = true;
    onPause = [](std::size_t pause) { return pause != 3; };
    EXPECT_EQ(run({"pair"}), Out(130, "tandrel-cli: pairing cancelled.\n",
                                 "\r  0 s  pairing       \r  1 s  pairing       \n"));
    receiver(2, {1});
    onPause = [](std::size_t pause) { return pause != 1; }; // before the first look
    EXPECT_EQ(
        run({"pair", "--json"}),
        Out(130, "tandrel-cli: pairing cancelled.\n",
            R"({"colour":"","firmware":"","linkStatus":null,"model":"","path":"/dev/hidraw2",)"
            R"("result":"interrupted","status":"not-connected","switch":""})"));
    receiver(2, {1});
    terminal = false, onPause = [](std::size_t) { return true; };
    platform.interfaceAt(2).unplugAfterWrite = true;
    EXPECT_EQ(run({"pair", "--json"}),
              Out(3, kNoReceiver,
                  R"({"colour":"","firmware":"","linkStatus":null,"model":"","path":null,"result":)"
                  R"("failed","status":"no-receiver","switch":""})"));

    // The time-out counts seconds on the clock, the receiver's silences included.
    platform.plug();
    receiver(2, {1});
    EXPECT_EQ(std::get<1>(run({"pair", "--json"})),
              "tandrel-cli: pairing timed out after 30 s; switch the keyboard on, keep it near the "
              "receiver and try again.\n");
    EXPECT_EQ(elapsed, 30s);
    EXPECT_EQ(pauses.size(), 31u);
    EXPECT_EQ(pauses.back(), 900ms);

    receiver(2, {1});
    platform.interfaceAt(2).readFault = sim::ReadFault::TimesOut;
    stops.costs = [this] { return 500ms * platform.interfaceAt(2).writeAttempts; };
    EXPECT_EQ(run({"pair", "--timeout", "4"}),
              Out(5,
                  "tandrel-cli: pairing timed out after 4 s; the receiver did not answer; unplug "
                  "it and plug it in again.\n",
                  "1 s: not connected\n2 s: not connected\n4 s: not connected\n"));
    EXPECT_EQ(elapsed, 4100ms);
}

// Each write to a hung receiver waits out the USB time-out: one a command, and no pairing poll.
TEST_F(Cli, AHungReceiverCostsOneWriteACommand) {
    const std::string silent =
        "tandrel-cli: the receiver did not answer; unplug it and plug it in again.\n";
    receiver(2, {1});
    sim::SimInterface& commands = platform.interfaceAt(2);
    commands.hung = true;
    EXPECT_EQ(run({"status"}), Out(1, silent, "not connected\n"));
    EXPECT_EQ(commands.writeAttempts, 1);
    commands.hung = false;
    onPause = [&commands](std::size_t) { return commands.hung = true; }; // hangs after pairing
    EXPECT_EQ(run({"pair", "--timeout", "60"}), Out(1, silent, "0 s: not connected\n"));
    EXPECT_EQ(commands.writeAttempts, 3);
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>{100ms});
}

// A signal is taken before the next write: a second hung receiver is never written to, and the exit
// code tells which signal it was.
TEST_F(Cli, CtrlCAndSigtermEndEveryCommandBeforeItsNextWrite) {
    const std::string hidraw2 = R"("path":"/dev/hidraw2",)";
    // Arguments, the signal, both receivers hung; then the exit code, the end of standard error and
    // standard output.
    // clang-format off
    const std::tuple<std::vector<const char*>, int, bool, int, std::string, std::string> cases[] = {
        {{"status"}, SIGINT, true, 130, "interrupted", ""},
        {{"status", "--json"}, SIGTERM, true, 143, "terminated",
         R"({"linkStatus":null,"path":null,"status":"not-connected"})"},
        {{"status", "--json"}, SIGINT, false, 130, "interrupted",
         R"({"linkStatus":3,)" + hidraw2 + R"("status":"connected"})"},
        {{"info", "--json"}, SIGINT, false, 130, "interrupted",
         kTexts + R"(3,"model":"V540N",)" + hidraw2 + R"("status":"connected","switch":"轴2"})"},
        {{"info"}, SIGTERM, true, 143, "terminated", ""},
        {{"pair"}, SIGTERM, true, 143, "pairing cancelled", ""},
        {{"list"}, SIGINT, false, 130, "interrupted",
         "  /dev/hidraw0  interface 0  can be opened\n  /dev/hidraw1  interface 1  can be opened\n"
         "* /dev/hidraw2  interface 2  can be opened\n  /dev/hidraw-b3  interface 0  can be opened\n"
         "  /dev/hidraw-b4  interface 1  can be opened\n  /dev/hidraw-b5  interface 2  can be opened\n"
         "(* marks the interface the tool uses)\n"},
    };
    // clang-format on
    for (const auto& [args, signal, hung, code, words, out] : cases) {
        SCOPED_TRACE(std::string(args[0]) + (args.size() > 1 ? " --json" : ""));
        receiver(3);
        const std::size_t second = platform.addReceiver("/dev/hidraw-b");
        platform.interfaceAt(2).hung = platform.interfaceAt(second).hung = hung;
        stops.arriving = signal;
        stops.arrives = [this] { return platform.interfaceAt(2).writeAttempts > 0; };
        EXPECT_EQ(run(args), Out(code, "tandrel-cli: " + words + ".\n", out));
        EXPECT_EQ(platform.interfaceAt(2).writeAttempts, 1);
        EXPECT_EQ(platform.interfaceAt(second).writeAttempts, 0);
    }
    stops.arrives = [] { return true; }; // no exchange: ends once done
    EXPECT_EQ(std::get<0>(run({"names"})), 130);

    receiver(2, {1});
    stops.arrives = [] { return false; };
    onPause = [](std::size_t pause) { return pause != 3; }; // after two looks
    EXPECT_EQ(run({"pair", "--json"}),
              Out(130, "tandrel-cli: pairing cancelled.\n",
                  kTexts + R"(1,"model":"V540N","path":"/dev/hidraw2","result":"interrupted",)"
                           R"("status":"pairing","switch":"轴2"})"));
}

TEST_F(Cli, ListShowsEveryReceiverInterfaceAndMarksTheOneUsed) {
    receiver(3);
    platform.interfaceAt(0).openFailure = OpenError::PermissionDenied;
    platform.interfaceAt(platform.addInterface({})).info = {"/dev/mouse", 0x046d, 0xc077, 2};
    platform.interfaceAt(platform.addInterface({})).info = {"/dev/second", 0x5e1c, 0x8040, 2};
    EXPECT_EQ(run({"list"}), Out(0, "",
                                 "  /dev/hidraw0  interface 0  permission denied\n"
                                 "  /dev/hidraw1  interface 1  can be opened\n"
                                 "* /dev/hidraw2  interface 2  can be opened\n"
                                 "  /dev/second  interface 2  can be opened\n"
                                 "(* marks the interface the tool uses)\n"));
    EXPECT_EQ(
        run({"list", "--json"}),
        Out(0, "",
            R"({"interfaces":[{"access":"permission denied","interface":0,"openable":false,"path":)"
            R"("/dev/hidraw0","used":false},{"access":"can be opened","interface":1,"openable":)"
            R"(true,"path":"/dev/hidraw1","used":false},{"access":"can be opened","interface":2,)"
            R"("openable":true,"path":"/dev/hidraw2","used":true},{"access":"can be opened",)"
            R"("interface":2,"openable":true,"path":"/dev/second","used":false}],"linkStatus":3,)"
            R"("path":"/dev/hidraw2","status":"connected"})"));
    platform.removeAllInterfaces();
    EXPECT_EQ(run({"list"}), Out(3, kNoReceiver, "no receiver interfaces\n"));
    EXPECT_EQ(run({"list", "--json"}),
              Out(3, kNoReceiver,
                  R"({"interfaces":[],"linkStatus":null,"path":null,"status":"no-receiver"})"));
    platform.setListFails(true);
    EXPECT_EQ(run({"list", "--json"}),
              Out(1, "tandrel-cli: cannot list the HID devices of this system (is udev running?)\n",
                  R"({"interfaces":[],"linkStatus":null,"path":null,"status":"no-receiver"})"));
}

TEST_F(Cli, UsageErrorsHelpAndVersion) {
    const std::string seconds = "--timeout takes whole seconds from 1 to 3600";
    const std::pair<std::vector<const char*>, std::string> cases[] = {
        {{}, "A command is required: status, info, pair, list or names"},
        {{"--json", "frobnicate"}, "Unknown command: frobnicate"},
        {{"--frob"}, "Unexpected argument: --frob"},
        {{"status", "info"}, "Unexpected argument: info"},
        {{"names", "--timeout", "5"}, "Unexpected argument: --timeout"},
        {{"--json=x", "status"}, "--json takes no value"},
        {{"pair", "--timeout", "0"}, seconds + ", not '0'"},
        {{"pair", "--timeout=soon"}, seconds + ", not 'soon'"},
        {{"pair", "--timeout", "3601"}, seconds + ", not '3601'"},
        {{"pair", "--timeout", "1.5"}, seconds + ", not '1.5'"},
        {{"pair", "--timeout", "2", "--timeout", "3"},
         "--timeout takes one value: whole seconds from 1 to 3600"},
        {{"names", "--file"}, "--file takes one value: the file to read"},
    };
    for (const auto& [args, words] : cases) {
        EXPECT_EQ(run(args), Out(2, words + "\nRun with --help for more information.\n", ""));
    }
    EXPECT_EQ(run({"--version"}), Out(0, "", "1.0.0.1\n"));
    const auto [code, err, help] = run({"--help"});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(help.ends_with("\n  130  interrupted (Ctrl-C)\n  143  terminated (SIGTERM)\n"))
        << help;
}

TEST_F(Cli, NamesListsTheTablesAndWarnsAboutWhatCannotWork) {
    auto names = [this](const std::string& xml) {
        std::ofstream("Set.xml", std::ios::trunc) << xml;
        return run({"names", "--file=Set.xml", "--json"});
    };
    const std::string decl = "<?xml version=\"1.0\" encoding=";
    // 墨 and 玫 in GBK, C4 AB and C3 B5, are also valid UTF-8, for ī and õ.
    const std::string inkRose = "<S><AXISBODY><axis ID=\"1\" NAME=\"\xC4\xAB\"/><axis ID=\"2\" "
                                "NAME=\"\xC3\xB5\"/></AXISBODY><SHELLCOLOR/></S>";
    const std::string empty = "<S><AXISBODY/><SHELLCOLOR/></S>";
    const std::string euro =
        "?><S><AXISBODY><axis ID='1' NAME='\x80'/></AXISBODY><SHELLCOLOR/></S>";
    // The switch names and the warnings, as JSON arrays.
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = {
        {"<S><AXISBODY><x/><color/><axis ID=\"+1\" NAME=\"a\"/><axis ID=\"2\"/><axis ID=\"2\" "
         "NAME=\"b\"/><axis/><axis ID=\"07\"/><axis ID=\"-0\"/></AXISBODY>" +
             std::regex_replace(std::string(300, '.'), std::regex("."), "<a>") +
             std::string(1024 * 1024, ' '),
         "UTF-8", R"(["a",null,"b",null,null,null])", R"([
"the file is larger than 1 MiB; only its first MiB is read",
"the file nests too deep or has too many attributes on one element; nothing after that point is read",
"the file is not well-formed (Error reading Element value.); only what comes before that point is read",
"AXISBODY: 2 element(s) stand before the first <axis> and are never read",
"AXISBODY: ID \"+1\" is not written as a plain decimal number and never matches",
"AXISBODY: the entry with ID 2 has no NAME and shows as empty text",
"AXISBODY: ID 2 appears more than once; only the first counts",
"AXISBODY: an <axis> without ID never matches",
"AXISBODY: ID \"07\" is not written as a plain decimal number and never matches",
"AXISBODY: ID \"-0\" is not written as a plain decimal number and never matches",
"there is no SHELLCOLOR table under the root, so every shell colour name shows as empty text"])"},
        {"", "UTF-8", "[]", R"([
"the file is not well-formed (Error document empty.); only what comes before that point is read",
"the file has no root element, so every name shows as empty text"])"},
        // Parsed as UTF-8, 金黄's last byte would swallow the quote and lose the next entry.
        {decl + "\"UTF-8\"?><S><AXISBODY><axis ID='1' NAME='\xBD\xF0\xBB\xC6'/><axis ID='2' "
                "NAME='\xE4'/></AXISBODY><SHELLCOLOR/>\xba\xec</",
         "GBK", R"(["金黄","\uFFFD"])", R"([
"the file is not valid UTF-8 despite its declaration encoding=\"UTF-8\"; read as GBK",
"the file is not well-formed (Error reading end tag., line 1, column 124); only what comes before that point is read"])"},
        // 蓝 in GBK is C0 B6, an overlong form in UTF-8 and so not UTF-8.
        {"\xEF\xBB\xBF<?xml version='1.0' encoding='utf8'?><S><AXISBODY><axis ID='1' "
         "NAME='\xC0\xB6'/>"
         "</AXISBODY><SHELLCOLOR/></S>",
         "GBK", R"(["蓝"])", R"([
"the file is not valid UTF-8 despite its UTF-8 byte-order mark and its declaration encoding=\"utf8\"; read as GBK"])"},
        {decl + "'gb2312'?>" + inkRose, "GBK", R"(["墨","玫"])", R"([
"the file is read as GBK, as its declaration encoding=\"gb2312\" says, but its bytes are also valid UTF-8; if it was saved as UTF-8, change the declaration to encoding=\"UTF-8\""])"},
        {inkRose, "UTF-8", R"(["ī","õ"])", "[]"},
        // Invalid bytes show as U+FFFD; character references name any character, in GBK too; GBK
        // text in an ID once ended the JSON output with an invalid UTF-8 byte: 啊 is B0 A1.
        {decl + "'GBK'?><S><AXISBODY><axis ID='1' NAME='\xBA\xDA\xC9\xAB'/><axis ID='2' NAME='\x81 "
                "ok\xFF\xBA'/><axis ID='3' NAME='&#x7EA2;&#36724;&#x1F600;'/><axis ID='\xB0\xA1'/>"
                "</AXISBODY><SHELLCOLOR/></S>",
         "GBK", R"(["黑色","\uFFFD ok\uFFFD\uFFFD","红轴😀",null])", R"([
"AXISBODY: ID \"啊\" is not written as a plain decimal number and never matches"])"},
        {decl + "'Big5'?><S><AXISBODY/><SHELLCOLOR/>\xac\xf5</S>", "GBK", "[]", R"([
"the file declares encoding=\"Big5\", which is not read; read as GBK"])"},
        {decl + "'GB2312'?><S><AXISBODY/><SHELLCOLOR/></S>", "GBK", "[]", "[]"},
        // GB18030 has four-byte characters (U+20000 here) but no 0x80, which GBK and its aliases
        // read as €; a byte-order mark on bytes that are not UTF-8 does not decide.
        {"\xEF\xBB\xBF" + decl +
             "'gb18030'?><S><AXISBODY><axis ID='1' NAME='\x95\x32\x82\x36\xD6\xE1"
             "\x80'/></AXISBODY><SHELLCOLOR/></S>",
         "GB18030", R"(["𠀀轴\uFFFD"])", "[]"},
        {decl + "'GBK'" + euro, "GBK", R"(["€"])", "[]"},
        {decl + "'CP936'" + euro, "GBK", R"(["€"])", "[]"},
        {decl + "'Windows-936'" + euro, "GBK", R"(["€"])", "[]"},
        // Re-saved as UTF-8 with a byte-order mark, the declaration kept.
        {"\xEF\xBB\xBF" + decl +
             "'GBK'?><S><AXISBODY><axis ID='1' NAME='红轴'/></AXISBODY><SHELLCOLOR/></S>",
         "UTF-8", R"(["红轴"])", R"([
"the file is read as UTF-8, as its UTF-8 byte-order mark says, although its declaration encoding=\"GBK\" names another encoding; change the declaration to encoding=\"UTF-8\""])"},
        // Exactly 1 MiB is read whole; one byte more is cut.
        {empty + std::string(1024 * 1024 - 31, ' '), "UTF-8", "[]", "[]"},
        {empty + std::string(1024 * 1024 - 30, ' '), "UTF-8", "[]",
         R"(["the file is larger than 1 MiB; only its first MiB is read"])"},
        {"\xEF\xBB\xBF" + decl +
             "'utf-8'?><S><AXISBODY><axis ID='1' NAME='a&#xD800;b'/></AXISBODY>"
             "<SHELLCOLOR/></S>",
         "UTF-8", R"(["a\uFFFD\uFFFD\uFFFDb"])", "[]"},
    };
    for (const auto& [xml, encoding, switches, warnings] : cases) {
        const auto [code, err, out] = names(xml);
        const nlohmann::json j = nlohmann::json::parse(out);
        nlohmann::json named = nlohmann::json::array();
        for (const nlohmann::json& entry : j["switches"]) {
            named.push_back(entry["name"]);
        }
        EXPECT_EQ(std::tuple(code, err, j["encoding"], named, j["warnings"]),
                  std::tuple(0, "", encoding, nlohmann::json::parse(switches),
                             nlohmann::json::parse(warnings)));
    }

    // Cut at the size limit inside a character of an element's name, which once ended the command.
    const std::string cut = std::get<2>(
        names("<S><AXISBODY><axis/>" + std::string(1024 * 1024 - 23, ' ') + "<x\xE7\xBA\xA2"));
    EXPECT_NE(cut.find(R"({"code":null,"element":"x�","id":null,"name":null})"), std::string::npos);
    EXPECT_EQ(
        names("<S><AXISBODY><axis ID='-2147483648' NAME='红 😀'/><x/></AXISBODY><SHELLCOLOR/></S>"),
        Out(0, "",
            R"({"colours":[],"encoding":"UTF-8","file":"Set.xml","switches":[{"code":-2147483648,)"
            R"("element":"axis","id":"-2147483648","name":"红 😀"},{"code":null,"element":"x",)"
            R"("id":null,"name":null}],"tried":[{"path":"Set.xml","state":"used"}],"warnings":)"
            R"(["AXISBODY: an <x> without ID never matches"]})"));
    std::remove("Set.xml");
    EXPECT_EQ(run({"names"}),
              Out(1,
                  "tandrel-cli: no Set.xml found; every name shows as \"其他类型\". Looked at:\n"
                  "  /nonexistent/Set.xml (absent)\n",
                  ""));
}

} // namespace
} // namespace tandrel::cli
