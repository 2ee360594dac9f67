// Set.xml look-ups over small files written into a temporary directory: the walk and its
// fallbacks, both encodings, the search order of the locations, and hostile files.
#include "NameTables.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace tandrel {
namespace {

namespace fs = std::filesystem;

const std::u16string kOther = u"其他类型";
enum class Table { Switch, Colour };

struct Probe {
    Table table;
    int code;
    std::u16string expected;
};

std::u16string lookUp(const NameTables& names, Table table, int code) {
    return table == Table::Switch ? names.LookUpSwitchName(code) : names.LookUpColourName(code);
}

std::string switches(const std::string& entries) {
    return "<r><AXISBODY>" + entries + "</AXISBODY></r>";
}
std::string colours(const std::string& entries) {
    return "<r><SHELLCOLOR>" + entries + "</SHELLCOLOR></r>";
}
std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

class NameTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tandrel-names-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& relative, const std::string& bytes) {
        const fs::path path = dir / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path.string();
    }

    void expectProbes(const NameTables& names, const std::vector<Probe>& probes) {
        for (const Probe& p : probes) {
            SCOPED_TRACE(::testing::Message() << "code " << p.code);
            EXPECT_EQ(lookUp(names, p.table, p.code), p.expected);
        }
    }

    fs::path dir;
};

TEST_F(NameTablesTest, WalkAndFallbacks) {
    using enum Table;
    struct Case {
        const char* name;
        std::string xml;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"empty file", "", {{Switch, 0, u""}, {Colour, 0, u""}}},
        {"no element at all", "<?xml version=\"1.0\"?>\n<!-- none -->\n", {{Switch, 1, u""}}},
        {"only a colour table",
         colours(R"(<color ID="2" NAME="Red"/>)"),
         {{Switch, 2, u""}, {Colour, 2, u"Red"}, {Colour, 3, kOther}}},
        {"table without entry elements",
         switches(R"(text<color ID="1" NAME="x"/><Axis ID="1" NAME="y"/>)"),
         {{Switch, 1, kOther}}},
        {"NAME present and absent",
         switches(R"(<axis ID="3" NAME="Blue"/><axis ID="4"/>)"),
         {{Switch, 3, u"Blue"}, {Switch, 4, u""}}},
        {"ID compared as the decimal text",
         switches(
             R"(<axis ID="07"/><axis ID=" 7"/><axis ID="7 "/><axis ID="+7"/><axis NAME="no id"/>)"
             R"(<axis ID="00"/><axis ID="-0"/><axis ID="-1" NAME="minus"/><axis ID="0" NAME="zero"/>)"),
         {{Switch, 7, kOther}, {Switch, -1, u"minus"}, {Switch, 0, u"zero"}}},
        {"elements of any name after the first entry, never before it",
         switches(
             R"(<color ID="6" NAME="before"/><axis ID="1" NAME="a"/><!-- c -->x<color ID="5" NAME="after"/>)"),
         {{Switch, 5, u"after"}, {Switch, 6, kOther}}},
        {"first duplicate wins",
         colours(R"(<color ID="2" NAME="first"/><color ID="2" NAME="second"/>)"),
         {{Colour, 2, u"first"}}},
        {"second table ignored, deeper table not found",
         "<r><g><SHELLCOLOR><color ID=\"1\" NAME=\"deep\"/></SHELLCOLOR></g>"
         "<AXISBODY><axis ID=\"1\" NAME=\"one\"/></AXISBODY>"
         "<AXISBODY><axis ID=\"2\" NAME=\"two\"/></AXISBODY></r>",
         {{Switch, 1, u"one"}, {Switch, 2, kOther}, {Colour, 1, u""}}},
        {"root name and later top-level elements do not matter",
         "<?xml version=\"1.0\"?>\n<!-- c -->\n<Anything><SHELLCOLOR><color ID=\"1\" NAME=\"c\"/>"
         "</SHELLCOLOR></Anything>\n<x><AXISBODY><axis ID=\"1\" NAME=\"x\"/></AXISBODY></x>",
         {{Switch, 1, u""}, {Colour, 1, u"c"}}},
        {"broken off inside the colour table",
         R"(<r><AXISBODY><axis ID="1" NAME="s"/></AXISBODY><SHELLCOLOR><color ID="1" NAME="one"/>)"
         R"(<color ID="2" NAME="two"/><color ID="3" NAME="thr)",
         // The broken entry keeps the attributes read before the break.
         {{Colour, 1, u"one"}, {Colour, 2, u"two"}, {Colour, 3, u""}, {Colour, 4, kOther}}},
        {"entities resolved, line ends normalised",
         switches("<axis ID=\"1\" NAME=\"A&amp;B &lt;C&gt;\"/><axis ID=\"2\" NAME=\"a\r\nb\rc\"/>"),
         {{Switch, 1, u"A&B <C>"}, {Switch, 2, u"a\nb\nc"}}},
        {"a NUL byte ends the file",
         switches(std::string(R"(<axis ID="1" NAME="a"/>)") + '\0' + R"(<axis ID="2" NAME="b"/>)"),
         {{Switch, 1, u"a"}, {Switch, 2, kOther}}},
        {"GBK, undeclared",
         switches("<axis ID=\"1\" NAME=\"\xBA\xEC\xD6\xE1\"/>"),
         {{Switch, 1, u"红轴"}}},
        {"GBK, declared GB2312",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>" +
             colours("<color ID=\"1\" NAME=\"\xBA\xDA\xC9\xAB\"/>"),
         {{Colour, 1, u"黑色"}}},
        // Read as UTF-8, 金黄's last byte would swallow the quote and lose the next entry.
        {"GBK under a declaration without encoding",
         "<?xml version=\"1.0\"?>" + colours("<color ID=\"1\" NAME=\"\xBD\xF0\xBB\xC6\"/>"
                                             "<color ID=\"2\" NAME=\"\xB0\xD7\xC9\xAB\"/>"),
         {{Colour, 1, u"金黄"}, {Colour, 2, u"白色"}}},
        {"invalid GBK",
         switches("<axis ID=\"1\" NAME=\"\x81 ok\xFF\xBA\"/>"),
         {{Switch, 1, u"\uFFFD ok\uFFFD\uFFFD"}}},
        {"UTF-8, declared",
         "<?xml version='1.0' encoding='utf-8'?>" + switches(R"(<axis ID="1" NAME="红轴"/>)"),
         {{Switch, 1, u"红轴"}}},
        {"UTF-8, undeclared",
         switches(R"(<axis ID="1" NAME="青轴 😀"/>)"),
         {{Switch, 1, u"青轴 😀"}}},
        {"UTF-8 with byte-order mark",
         "\xEF\xBB\xBF" + switches(R"(<axis ID="1" NAME="茶轴"/>)"),
         {{Switch, 1, u"茶轴"}}},
        {"UTF-8 character references",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
             switches(R"(<axis ID="1" NAME="&#x7EA2;&#36724;"/>)"),
         {{Switch, 1, u"红轴"}}},
        // The bytes decide, whatever the file says about itself.
        {"GBK under a UTF-8 declaration",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
             colours("<color ID=\"1\" NAME=\"\xBD\xF0\xBB\xC6\"/><color ID=\"2\" NAME=\"\xE4\"/>"),
         {{Colour, 1, u"金黄"}, {Colour, 2, u"\uFFFD"}}},
        {"GBK behind a byte-order mark",
         "\xEF\xBB\xBF" + switches("<axis ID=\"1\" NAME=\"\xBA\xEC\xD6\xE1\"/>"),
         {{Switch, 1, u"红轴"}}},
        {"UTF-8 under a GB2312 declaration",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>" + switches(R"(<axis ID="1" NAME="红轴"/>)"),
         {{Switch, 1, u"红轴"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FixedSetXmlLocator file(write("Set.xml", c.xml));
        expectProbes(NameTables(file), c.probes);
    }
}

TEST_F(NameTablesTest, AbsentFileGivesOtherTypeForEveryCode) {
    const FixedSetXmlLocator absent((dir / "Set.xml").string());
    const NameTables names(absent);
    for (const int code : {-1, 0, 1, 255}) {
        EXPECT_EQ(names.LookUpSwitchName(code), kOther);
        EXPECT_EQ(names.LookUpColourName(code), kOther);
    }
}

TEST_F(NameTablesTest, EditBetweenLookUpsShowsAtTheSecond) {
    const FixedSetXmlLocator file(write("Set.xml", switches(R"(<axis ID="1" NAME="old"/>)")));
    const NameTables names(file);
    EXPECT_EQ(names.LookUpSwitchName(1), u"old");
    write("Set.xml", switches(R"(<axis ID="1" NAME="new"/>)"));
    EXPECT_EQ(names.LookUpSwitchName(1), u"new");
    fs::remove(dir / "Set.xml");
    EXPECT_EQ(names.LookUpSwitchName(1), kOther);
}

TEST_F(NameTablesTest, CandidatesFollowTheXdgRules) {
    struct Case {
        std::string exeDir;
        XdgEnvironment env;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"/opt/t",
         {"/home/u", "", ""},
         {"/opt/t/Set.xml", "/home/u/.config/tandrel/Set.xml", "/usr/local/share/tandrel/Set.xml",
          "/usr/share/tandrel/Set.xml"}},
        {"",
         {"/h/", "relative", "/a/:relative::/b"},
         {"/h/.config/tandrel/Set.xml", "/a/tandrel/Set.xml", "/b/tandrel/Set.xml"}},
        {"/", {"", "/c", "/d"}, {"/Set.xml", "/c/tandrel/Set.xml", "/d/tandrel/Set.xml"}},
        {"/opt/t",
         {"/home/u", "/cfg", "/d"},
         {"/opt/t/Set.xml", "/cfg/tandrel/Set.xml", "/d/tandrel/Set.xml"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StandardSetXmlLocator(c.exeDir, c.env).candidates(), c.expected);
    }
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(StandardSetXmlLocator::forThisProcess().candidates().front(),
              (exe.parent_path() / "Set.xml").string());
}

TEST_F(NameTablesTest, FirstUsableLocationWins) {
    const StandardSetXmlLocator locator(
        (dir / "exe").string(),
        {(dir / "home").string(), "", (dir / "data1").string() + ":" + (dir / "data2").string()});
    const NameTables names(locator);
    const std::string beside = write("exe/Set.xml", switches(R"(<axis ID="1" NAME="beside"/>)"));
    const std::string user =
        write("home/.config/tandrel/Set.xml", switches(R"(<axis ID="1" NAME="user"/>)"));
    const std::string system1 =
        write("data1/tandrel/Set.xml", switches(R"(<axis ID="1" NAME="system1"/>)"));
    write("data2/tandrel/Set.xml", switches(R"(<axis ID="1" NAME="system2"/>)"));

    EXPECT_EQ(names.LookUpSwitchName(1), u"beside");
    fs::remove(beside);
    EXPECT_EQ(names.LookUpSwitchName(1), u"user");
    fs::remove(user);
    EXPECT_EQ(names.LookUpSwitchName(1), u"system1");
    // Something that is not a regular file is passed over.
    fs::remove(system1);
    fs::create_directory(system1);
    EXPECT_EQ(names.LookUpSwitchName(1), u"system2");

    const SetXmlSearch search = locateSetXml(locator);
    ASSERT_EQ(search.tried.size(), 4u);
    EXPECT_EQ(search.tried[0].state, CandidateState::Absent);
    EXPECT_EQ(search.tried[1].state, CandidateState::Absent);
    EXPECT_EQ(search.tried[2].state, CandidateState::NotAFile);
    EXPECT_EQ(search.tried[3].state, CandidateState::Used);
    EXPECT_EQ(search.used, search.tried[3].path);

    fs::remove_all(dir / "data2");
    EXPECT_EQ(names.LookUpSwitchName(1), kOther);
    EXPECT_FALSE(locateSetXml(locator).used);
}

// A file that is there but cannot be read, even by root, is passed over like an absent one.
TEST_F(NameTablesTest, UnreadableFileIsPassedOver) {
    struct Listed final : SetXmlLocator {
        std::vector<std::string> paths;
        std::vector<std::string> candidates() const override { return paths; }
    } locator;
    locator.paths = {"/proc/sys/vm/drop_caches"};
    const NameTables names(locator);
    EXPECT_EQ(names.LookUpColourName(1), kOther);
    const SetXmlSearch search = locateSetXml(locator);
    ASSERT_EQ(search.tried.size(), 1u);
    EXPECT_EQ(search.tried[0].state, CandidateState::Unreadable);
    EXPECT_EQ(search.tried[0].error, EACCES);

    locator.paths.push_back(write("Set.xml", colours(R"(<color ID="1" NAME="next"/>)")));
    EXPECT_EQ(names.LookUpColourName(1), u"next");
}

// Each of these must neither crash nor hang, and the entry before the hostile part still serves.
TEST_F(NameTablesTest, HostileFiles) {
    const std::string head = R"(<r><AXISBODY><axis ID="1" NAME="kept"/>)";
    struct Case {
        const char* name;
        std::string xml;
        std::u16string code2;
    };
    // Nesting 100,000 deep, also where a naive scan would count the nesting away.
    std::vector<Case> cases;
    for (const char* level :
         {"<a>", "<a x=\"/>\">", "<a x='</a>'>", "<a><!-- </a> -->", "<a><![CDATA[</a>]]>",
          "<a x=\"&#x\"/>x;\">", "<a><b></b\n>", "<a><!x </a>", "<a><?xml version='</a>'?>"}) {
        cases.push_back({level, head + repeat(level, 100000), kOther});
    }
    cases.push_back({"a million-byte name",
                     head + "<axis ID=\"2\" NAME=\"" + std::string(1000000, 'n') + "\"/>",
                     std::u16string(1000000, u'n')});
    std::string attributes;
    for (int i = 0; i < 100000; ++i) {
        attributes += " a" + std::to_string(i) + "=''";
    }
    cases.push_back(
        {"100,000 attributes", head + "<axis ID='2' NAME='late'" + attributes, u"late"});
    std::mt19937 random(7);
    for (int seed = 0; seed < 20; ++seed) {
        std::string junk(65536, '\0');
        for (char& c : junk) {
            c = static_cast<char>(random());
        }
        cases.push_back({"binary junk", head + junk, {}});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FixedSetXmlLocator file(write("Set.xml", c.xml));
        const NameTables names(file);
        EXPECT_EQ(names.LookUpSwitchName(1), u"kept");
        if (!c.code2.empty()) {
            EXPECT_EQ(names.LookUpSwitchName(2), c.code2);
        }
    }
}

TEST_F(NameTablesTest, HundredMegabyteFileIsReadOnlyUpToTheLimit) {
    const std::string path = write("Set.xml", R"(<r><AXISBODY><axis ID="1" NAME="first"/><!--)" +
                                                  std::string(2 * kMaxSetXmlBytes, 'x'));
    {
        // The rest is a hole, so that writing the file costs nothing.
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::ate);
        out.seekp(100 * 1024 * 1024);
        out << R"(--><axis ID="2" NAME="last"/></AXISBODY></r>)";
    }
    const FixedSetXmlLocator file(path);
    const NameTables names(file);
    EXPECT_EQ(names.LookUpSwitchName(1), u"first");
    EXPECT_EQ(names.LookUpSwitchName(2), kOther);
    EXPECT_TRUE(listSetXml(file).cutAtSizeLimit);

    // Cut one byte into a three-byte character, a UTF-8 file is still UTF-8.
    std::string head = R"(<r><AXISBODY><axis ID="1" NAME="红轴"/><!--)";
    while ((1024 * 1024 - head.size()) % 3 != 1) {
        head += ' ';
    }
    write("Set.xml", head + repeat("红", 1024 * 1024 / 3 + 1));
    EXPECT_EQ(names.LookUpSwitchName(1), u"红轴");
    EXPECT_EQ(listSetXml(file).encoding, TextEncoding::Utf8);
}

TEST_F(NameTablesTest, ListingShowsTheWalkAsTheLookUpSeesIt) {
    const FixedSetXmlLocator file(
        write("Set.xml", "<r><SHELLCOLOR><color ID=\"1\" NAME=\"\xBA\xEC\"/><x ID=\"07\"/><color/>"
                         "<color ID=\"-2147483648\" NAME=\"min\"/>" +
                             repeat("<a>", 300)));
    const SetXmlListing listing = listSetXml(file);
    EXPECT_EQ(listing.search.used, file.candidates().front());
    EXPECT_EQ(listing.encoding, TextEncoding::Gbk);
    EXPECT_FALSE(listing.cutAtSizeLimit);
    EXPECT_TRUE(listing.cutAtStructureLimit);
    EXPECT_TRUE(listing.problem);
    EXPECT_FALSE(listing.switches.present);
    ASSERT_TRUE(listing.colours.present);
    const std::vector<TableEntry>& e = listing.colours.entries;
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].code, 1);
    EXPECT_EQ(e[0].name, u"红");
    EXPECT_EQ(e[1].element, "x");
    EXPECT_EQ(e[1].id, "07");
    EXPECT_FALSE(e[1].code);
    EXPECT_FALSE(e[2].id);
    EXPECT_FALSE(e[2].name);
    EXPECT_EQ(e[3].code, -2147483648);
    EXPECT_EQ(e[4].element, "a");
}

} // namespace
} // namespace tandrel
