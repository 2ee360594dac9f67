// tandrel-cli end to end, in-process, over the simulated receiver.
#include "CliMain.h"
#include "SimulatedPlatform.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace tandrel::cli {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

class Cli : public ::testing::Test {
protected:
    struct Run {
        int code;
        std::string out;
        std::string err;
        json parsed() const { return json::parse(out); }
    };

    Run run(std::vector<const char*> args) {
        args.insert(args.begin(), "tandrel-cli");
        std::ostringstream out;
        std::ostringstream err;
        CliContext ctx{platform,
                       setXml,
                       {[](int code) { return u"轴" + std::u16string(1, u'0' + char16_t(code)); },
                        [](int code) { return u"色" + std::u16string(1, u'0' + char16_t(code)); }},
                       out,
                       err,
                       terminal,
                       [this](std::chrono::milliseconds wait) {
                           pauses.push_back(wait);
                           if (onPause) {
                               onPause(pauses.size());
                           }
                           return pauses.size() != interruptAtPause;
                       }};
        const int code = runCli(static_cast<int>(args.size()), args.data(), ctx);
        return {code, out.str(), err.str()};
    }

    std::size_t receiver() {
        const std::size_t index = platform.addReceiver("/dev/hidraw");
        platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1,
                                            .firmwareMinor = 5,
                                            .switchCode = 3,
                                            .colourCode = 2,
                                            .modelCode = 0x0082}));
        return index;
    }

    sim::SimulatedPlatform platform;
    FixedSetXmlLocator setXml{"/nonexistent/Set.xml"};
    bool terminal = false;
    std::vector<std::chrono::milliseconds> pauses;
    std::size_t interruptAtPause = 0;
    std::function<void(std::size_t)> onPause;
};

TEST_F(Cli, StatusNamesEachSituation) {
    struct Case {
        std::uint8_t linkStatus;
        const char* words;
        const char* key;
    };
    const Case cases[] = {{3, "connected", "connected"},
                          {1, "pairing", "pairing"},
                          {2, "not connected", "not-connected"},
                          {0, "not connected", "not-connected"}};
    receiver();
    for (const Case& c : cases) {
        platform.setLinkStatus(c.linkStatus);
        const Run plain = run({"status"});
        EXPECT_EQ(plain.code, 0);
        EXPECT_EQ(plain.out, std::string(c.words) + "\n");

        const json j = run({"status", "--json"}).parsed();
        EXPECT_EQ(j["status"], c.key);
        EXPECT_EQ(j["linkStatus"], c.linkStatus);
        EXPECT_EQ(j["path"], "/dev/hidraw2");
    }
}

TEST_F(Cli, FailuresHaveTheirOwnExitCodesAndOneSentence) {
    const std::string kDenied =
        "tandrel-cli: permission denied on /dev/hidraw2: install the udev rule 70-tandrel.rules "
        "(from the package, or copy res/linux/70-tandrel.rules to /etc/udev/rules.d/), run 'sudo "
        "udevadm control --reload-rules && sudo udevadm trigger', then unplug the receiver and "
        "plug it in again.\n";
    const std::string kNoReceiver =
        "tandrel-cli: no receiver found; plug the receiver into a USB port.\n";
    struct Case {
        const char* name;
        std::function<void(sim::SimulatedPlatform&)> setup;
        int code;
        const char* key;
        std::string error;
        const char* plainStatus;
        bool reachesReceiver;
    };
    const Case cases[] = {
        {"no receiver", [](auto&) {}, 3, "no-receiver", kNoReceiver, "no receiver\n", false},
        {"only interfaces 0 and 1",
         [](auto& p) {
             p.addReceiver();
             p.interfaceAt(2).info.interfaceNumber = 5;
         },
         3, "no-receiver", kNoReceiver, "no receiver\n", false},
        {"permission denied",
         [](auto& p) { p.interfaceAt(p.addReceiver()).openFailure = OpenError::PermissionDenied; },
         4, "not-connected", kDenied, "not connected\n", false},
        {"silent receiver",
         [](auto& p) { p.interfaceAt(p.addReceiver()).readFault = sim::ReadFault::TimesOut; }, 1,
         "not-connected",
         "tandrel-cli: the receiver did not answer; unplug it and plug it in again.\n",
         "not connected\n", true},
        {"cannot list", [](auto& p) { p.setListFails(true); }, 1, "no-receiver",
         "tandrel-cli: cannot list the HID devices of this system (is udev running?)\n",
         "no receiver\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform.removeAllInterfaces();
        platform.setListFails(false);
        c.setup(platform);
        platform.clearWrites();
        for (const char* command : {"status", "info", "pair"}) {
            SCOPED_TRACE(command);
            const Run r = run({command, "--json"});
            EXPECT_EQ(r.code, c.code);
            EXPECT_EQ(r.parsed()["status"], c.key);
            EXPECT_TRUE(r.parsed()["linkStatus"].is_null());
            EXPECT_EQ(r.err, c.error);
        }
        const Run plain = run({"status"});
        EXPECT_EQ(plain.code, c.code);
        EXPECT_EQ(plain.out, c.plainStatus);
        EXPECT_EQ(!platform.writes().empty(), c.reachesReceiver);
    }
    const Run info = run({"info"});
    EXPECT_EQ(info.out, "Status:   no receiver (未找到接收器!)\n");
    EXPECT_EQ(run({"info", "--json"}).out,
              R"({"colour":"","firmware":"","linkStatus":null,"model":"","path":null,)"
              R"("status":"no-receiver","switch":""})"
              "\n");
}

TEST_F(Cli, InfoShowsTheWindowsTexts) {
    receiver();
    platform.setLinkStatus(3);
    const json j = run({"info", "--json"}).parsed();
    EXPECT_EQ(j["model"], "V540N");
    EXPECT_EQ(j["firmware"], "1.05");
    EXPECT_EQ(j["switch"], "轴2");
    EXPECT_EQ(j["colour"], "色1");

    const Run plain = run({"info"});
    EXPECT_NE(plain.out.find("Status:   connected (已连接！！！)"), std::string::npos);
    EXPECT_NE(plain.out.find("Colour:   色1\n"), std::string::npos);

    platform.setAnswer(sim::makeAnswer({.firmwareMajor = 2, .infoPresent = false}));
    const json notWritten = run({"info", "--json"}).parsed();
    EXPECT_EQ(notWritten["model"], "设备相应型号未写入！");
    EXPECT_EQ(notWritten["firmware"], "2.00");
    platform.setLinkStatus(1);
    EXPECT_EQ(run({"info", "--json"}).parsed()["model"], "");
}

TEST_F(Cli, PairFollowsTheReceiverUntilConnected) {
    receiver();
    platform.setPairingScript({1, 1, 3});
    const Run r = run({"pair", "--json"});
    EXPECT_EQ(r.code, 0);
    const json j = r.parsed();
    EXPECT_EQ(j["result"], "connected");
    EXPECT_EQ(j["status"], "connected");
    EXPECT_EQ(j["model"], "V540N");
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{100ms, 1000ms, 1000ms}));
    ASSERT_FALSE(platform.writes().empty());
    EXPECT_EQ(platform.writes().front().bytes, PairReport);
    EXPECT_EQ(platform.openHandles(), 0) << "the tool closes the receiver when it is done";
}

TEST_F(Cli, PairTimesOutWithAdvice) {
    receiver();
    platform.setPairingScript({1});
    const Run r = run({"pair", "--timeout", "3"});
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(pauses.size(), 1u + 3u);
    EXPECT_EQ(r.out, "0 s: pairing\n1 s: pairing\n2 s: pairing\n3 s: pairing\n");
    EXPECT_NE(r.err.find("switch the keyboard on"), std::string::npos);
    pauses.clear();
    EXPECT_EQ(run({"pair", "--timeout", "1", "--json"}).parsed()["result"], "timeout");
}

TEST_F(Cli, PairOnATerminalUpdatesOneLineAndStopsOnCtrlC) {
    receiver();
    platform.setPairingScript({1});
    terminal = true;
    interruptAtPause = 3;
    const Run r = run({"pair"});
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\r'), 2);
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_NE(r.err.find("cancelled"), std::string::npos);
}

TEST_F(Cli, PairGivesUpWhenPermissionIsLostOnTheWay) {
    const std::size_t index = receiver();
    platform.setPairingScript({1});
    onPause = [&](std::size_t pause) {
        if (pause == 2) {
            platform.interfaceAt(index).openFailure = OpenError::PermissionDenied;
        }
    };
    const Run r = run({"pair"});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "0 s: pairing\n1 s: not connected\n");
    EXPECT_EQ(r.err.rfind("tandrel-cli: permission denied on /dev/hidraw2: ", 0), 0u) << r.err;
}

TEST_F(Cli, PairGivesUpWhenTheReceiverIsUnplugged) {
    const std::size_t index = receiver();
    platform.setPairingScript({1});
    platform.interfaceAt(index).unplugAfterWrite = true; // gone after the pair command
    const Run r = run({"pair", "--json"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.parsed()["result"], "failed");
}

TEST_F(Cli, ListShowsEveryReceiverInterfaceAndMarksTheOneUsed) {
    sim::SimInterface mouse;
    mouse.info = {"/dev/hidraw9", 0x046d, 0xc077, 0};
    platform.addInterface(mouse);
    receiver();
    platform.addReceiver("/dev/second");
    platform.interfaceAt(1).openFailure = OpenError::PermissionDenied;
    const Run plain = run({"list"});
    EXPECT_EQ(plain.code, 0);
    EXPECT_EQ(plain.out, "  /dev/hidraw1  interface 0  permission denied\n"
                         "  /dev/hidraw2  interface 1  can be opened\n"
                         "* /dev/hidraw3  interface 2  can be opened\n"
                         "  /dev/second4  interface 0  can be opened\n"
                         "  /dev/second5  interface 1  can be opened\n"
                         "  /dev/second6  interface 2  can be opened\n"
                         "(* marks the interface the tool uses)\n");
    const json j = run({"list", "--json"}).parsed();
    ASSERT_EQ(j["interfaces"].size(), 6u);
    EXPECT_EQ(j["interfaces"][0], json::parse(R"({"path":"/dev/hidraw1","interface":0,)"
                                              R"("openable":false,"access":"permission denied",)"
                                              R"("used":false})"));
    EXPECT_EQ(j["interfaces"][2]["used"], true);
    EXPECT_EQ(j["interfaces"][5]["used"], false);
    EXPECT_EQ(j["path"], "/dev/hidraw3");
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_TRUE(std::none_of(platform.writes().begin(), platform.writes().end(),
                             [](const auto& w) { return w.path != "/dev/hidraw3"; }));

    platform.removeAllInterfaces();
    platform.addInterface(mouse);
    const Run none = run({"list"});
    EXPECT_EQ(none.code, 3);
    EXPECT_EQ(none.out, "no receiver interfaces\n");
}

TEST_F(Cli, UsageErrorsHelpAndVersion) {
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({"frobnicate"}).code, 2);
    EXPECT_EQ(run({"pair", "--timeout", "0"}).code, 2);
    EXPECT_EQ(run({"pair", "--timeout", "soon"}).code, 2);
    const Run version = run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "1.0.0.1\n");
    const Run help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("5  pairing timed out"), std::string::npos);
    EXPECT_TRUE(platform.writes().empty());
}

TEST_F(Cli, NamesListsTheTablesAndWarnsAboutWhatCannotWork) {
    struct Case {
        const char* name;
        const char* xml;
        std::vector<std::string> warnings; // fragments, in order
        const char* encoding = "UTF-8";
    };
    const Case cases[] = {
        {"clean",
         "<S><AXISBODY><axis ID=\"0\" NAME=\"a\"/></AXISBODY>"
         "<SHELLCOLOR><color ID=\"-1\" NAME=\"b\"/></SHELLCOLOR></S>",
         {}},
        {"bad ids, duplicates, no NAME",
         "<S><AXISBODY><axis ID=\"07\" NAME=\"a\"/><axis ID=\"+1\"/><axis ID=\"2\"/>"
         "<axis ID=\"2\" NAME=\"c\"/><axis NAME=\"d\"/></AXISBODY><SHELLCOLOR/></S>",
         {"ID \"07\" is not written as a plain decimal", "ID \"+1\" is not written",
          "ID 2 has no NAME", "ID 2 appears more than once", "without ID never matches"}},
        {"table missing and entries before the first",
         "<S><SHELLCOLOR><axis ID=\"1\"/><x/><color ID=\"1\" NAME=\"w\"/></SHELLCOLOR></S>",
         {"no AXISBODY table", "SHELLCOLOR: 2 element(s) stand before the first <color>"}},
        {"broken off",
         "<S><AXISBODY><axis ID=\"0\" NAME=\"a\"/><axis ID=",
         {"not well-formed", "<axis> without ID", "no SHELLCOLOR table"}},
        {"no root", "", {"not well-formed (Error document empty.)", "no root element"}},
        {"GBK under a UTF-8 declaration",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><S><AXISBODY><axis ID=\"0\" "
         "NAME=\"\xba\xec\"/></AXISBODY><SHELLCOLOR/></S>",
         {"the file is not valid UTF-8 despite its declaration encoding=\"UTF-8\"; read as GBK"},
         "GBK"},
        {"GBK behind a byte-order mark and a UTF-8 declaration",
         "\xEF\xBB\xBF<?xml version='1.0' encoding='utf8'?><S><AXISBODY><axis ID=\"0\" "
         "NAME=\"\xba\xec\"/></AXISBODY><SHELLCOLOR/></S>",
         {"the file is not valid UTF-8 despite its UTF-8 byte-order mark and its declaration "
          "encoding=\"utf8\"; read as GBK"},
         "GBK"},
        {"UTF-8 under a GB2312 declaration",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?><S><AXISBODY><axis ID=\"0\" "
         "NAME=\"红\"/></AXISBODY><SHELLCOLOR/></S>",
         {"the file's bytes are UTF-8 despite its declaration encoding=\"GB2312\"; read as UTF-8"}},
        {"an encoding that is not read",
         "<?xml version=\"1.0\" encoding=\"Big5\"?><S><AXISBODY><axis ID=\"0\" "
         "NAME=\"\xac\xf5\"/></AXISBODY><SHELLCOLOR/></S>",
         {"the file declares encoding=\"Big5\", which is not read; read as GBK"},
         "GBK"},
        {"ASCII under any declaration",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?><S><AXISBODY/><SHELLCOLOR/></S>",
         {}},
    };
    const auto dir = std::filesystem::temp_directory_path() / "tandrel-cli-names";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Set.xml").string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(path, std::ios::trunc) << c.xml;
        const Run r = run({"names", "--json", "--file", path.c_str()});
        EXPECT_EQ(r.code, 0);
        const json j = r.parsed();
        EXPECT_EQ(j["file"], path);
        EXPECT_EQ(j["encoding"], c.encoding);
        ASSERT_EQ(j["warnings"].size(), c.warnings.size()) << j["warnings"].dump();
        for (std::size_t i = 0; i < c.warnings.size(); ++i) {
            EXPECT_NE(j["warnings"][i].get<std::string>().find(c.warnings[i]), std::string::npos)
                << j["warnings"][i];
        }
    }
    std::ofstream(path, std::ios::trunc)
        << "<S><AXISBODY><axis ID=\"0\" NAME=\"\xba\xec\xd6\xe1\"/><x ID=\"07\"/></AXISBODY></S>";
    EXPECT_EQ(run({"names", "--json", "--file", path.c_str()}).parsed(),
              json::parse(R"({"file":")" + path + R"(","tried":[{"path":")" + path +
                          R"(","state":"used"}],"encoding":"GBK","switches":[)"
                          R"({"element":"axis","id":"0","code":0,"name":"红轴"},)"
                          R"({"element":"x","id":"07","code":null,"name":null}],"colours":[],)"
                          R"("warnings":["AXISBODY: ID \"07\" is not written as a plain decimal )"
                          R"(number and never matches","there is no SHELLCOLOR table under the )"
                          R"(root, so every shell colour name shows as empty text"]})"));
    const Run plain = run({"names", "--file", path.c_str()});
    EXPECT_NE(plain.out.find("(GBK)"), std::string::npos);
    EXPECT_NE(plain.out.find("       0  红轴\n"), std::string::npos) << plain.out;

    const Run missing = run({"names"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("/nonexistent/Set.xml (absent)"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tandrel::cli
