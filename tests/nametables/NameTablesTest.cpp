// Set.xml look-ups over small files written into a temporary directory: the walk and its
// fallbacks, the size limit, hostile files and the search for the file. The encodings and the
// listing are tested through tandrel-cli names, which shows them.
#include "NameTables.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace tandrel {
namespace {

namespace fs = std::filesystem;

const std::u16string kOther = u"其他类型";

// 's' looks up a switch name, 'c' a colour name.
using Probe = std::tuple<char, int, std::u16string>;

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

std::string oneSwitch(const std::string& name) {
    return "<r><AXISBODY><axis ID=\"1\" NAME=\"" + name + "\"/></AXISBODY></r>";
}

struct Listed final : SetXmlLocator {
    std::vector<std::string> paths;
    std::vector<std::string> candidates() const override { return paths; }
};

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

    void expect(const std::string& xml, const std::vector<Probe>& probes) {
        const FixedSetXmlLocator file(write("Set.xml", xml));
        const NameTables names(file);
        for (const auto& [table, code, expected] : probes) {
            const std::u16string got =
                table == 's' ? names.LookUpSwitchName(code) : names.LookUpColourName(code);
            EXPECT_TRUE(got == expected) // some names run to a megabyte: print their start
                << table << code << ": " << ::testing::PrintToString(got.substr(0, 60)) << " in "
                << xml.substr(0, 160);
        }
    }

    fs::path dir;
};

TEST_F(NameTablesTest, WalkAndFallbacks) {
    // The ID is compared as decimal text; the walk starts at the first <axis> and then examines
    // every following element, whatever its name; only the first table directly under the root
    // counts, and the first matching entry.
    expect("<r><AXISBODY>text<color ID=\"6\" NAME=\"before\"/><Axis ID=\"6\" NAME=\"Axis\"/>"
           "<axis ID=\"07\"/><axis ID=\" 7\"/><axis ID=\"7 \"/><axis ID=\"+7\"/><axis NAME=\"?\"/>"
           "<axis ID=\"00\"/><axis ID=\"-0\"/><axis ID=\"-1\" NAME=\"minus\"/><axis ID=\"0\" "
           "NAME=\"zero\"/><axis ID=\"3\" NAME=\"Blue\"/><axis ID=\"4\"/><!-- c -->x<color "
           "ID=\"5\" NAME=\"after\"/><axis ID=\"3\" NAME=\"second\"/></AXISBODY><AXISBODY><axis "
           "ID=\"2\" NAME=\"two\"/></AXISBODY><g><SHELLCOLOR><color ID=\"1\" NAME=\"deep\"/>"
           "</SHELLCOLOR></g></r>",
           {Probe('s', 6, kOther), Probe('s', 7, kOther), Probe('s', -1, u"minus"),
            Probe('s', 0, u"zero"), Probe('s', 3, u"Blue"), Probe('s', 4, u""),
            Probe('s', 5, u"after"), Probe('s', 2, kOther), Probe('c', 1, u"")});
    // Any root name; a table without entries; top-level elements after the root are not read.
    expect("<?xml version=\"1.0\"?>\n<!-- c -->\n<Any><AXISBODY>t<Axis ID=\"1\" NAME=\"x\"/>"
           "</AXISBODY><SHELLCOLOR><color ID=\"1\" NAME=\"c\"/></SHELLCOLOR></Any>\n<r><SHELLCOLOR>"
           "<color ID=\"2\" NAME=\"x\"/></SHELLCOLOR></r>",
           {{'s', 1, kOther}, {'c', 1, u"c"}, {'c', 2, kOther}});
    expect("", {{'s', 0, u""}, {'c', 0, u""}});
    // Broken off: what precedes serves; the broken entry keeps the ID read before the break.
    expect("<r><AXISBODY><axis ID=\"1\" NAME=\"s\"/></AXISBODY><SHELLCOLOR><color ID=\"1\" "
           "NAME=\"one\"/><color ID=\"2\" NAME=\"two\"/><color ID=\"3\" NAME=\"thr",
           {{'s', 1, u"s"}, {'c', 2, u"two"}, {'c', 3, u""}, {'c', 4, kOther}});
    expect(std::string("<r><AXISBODY><axis ID=\"1\" NAME=\"A&amp;B &lt;C&gt;\"/><axis ID=\"2\" "
                       "NAME=\"a\r\nb\rc\"/>") +
               '\0' + "<axis ID=\"3\" NAME=\"after NUL\"/></AXISBODY></r>",
           {{'s', 1, u"A&B <C>"}, {'s', 2, u"a\nb\nc"}, {'s', 3, kOther}});
}

TEST_F(NameTablesTest, OnlyTheFirstMebibyteIsRead) {
    // The first MiB ends one or two bytes into the `"/>` after name 2: cut at its closing quote
    // the entry is lost, one byte later it serves.
    const std::string head = "<r><AXISBODY><axis ID=\"1\" NAME=\"红轴\"/><axis ID=\"2\" NAME=\"";
    for (const std::size_t inside : {1u, 2u}) {
        const std::size_t fill = 1024 * 1024 - head.size() - inside;
        expect(head + std::string(fill, 'n') + "\"/><axis ID=\"3\" NAME=\"late\"/></AXISBODY></r>",
               {{'s', 1, u"红轴"},
                {'s', 2, inside == 2 ? std::u16string(fill, u'n') : u""},
                {'s', 3, kOther}});
    }
    EXPECT_TRUE(listSetXml(FixedSetXmlLocator((dir / "Set.xml").string())).cutAtSizeLimit);

    // Cut one byte into a three-byte character, a UTF-8 file is still UTF-8.
    std::string comment = "<r><AXISBODY><axis ID=\"1\" NAME=\"红轴\"/><!--";
    comment.append((1024 * 1024 - comment.size() - 1) % 3, ' ');
    expect(comment + repeat("红", 1024 * 1024 / 3 + 1), {{'s', 1, u"红轴"}});

    // Exactly 1 MiB is read whole: ending inside a character, it is not UTF-8 and reads as GBK.
    // One byte more is cut there, so the same first MiB reads as UTF-8: the tables kept from one
    // of the two readings must not serve the other.
    std::string whole = "<r><AXISBODY><axis ID=\"1\" NAME=\"红轴\"/></AXISBODY></r><!--";
    whole += std::string(1024 * 1024 - whole.size() - 1, ' ') + "\xE7";
    const FixedSetXmlLocator file(write("Set.xml", ""));
    const NameTables names(file);
    for (const std::u16string expected : {u"红轴", u"绾㈣酱", u"红轴"}) {
        write("Set.xml", expected == u"红轴" ? whole + "\xBA" : whole);
        EXPECT_EQ(names.LookUpSwitchName(1), expected);
    }
}

// Each of these must neither crash nor hang, and the entry before the hostile part still serves.
TEST_F(NameTablesTest, HostileFiles) {
    const std::string head = R"(<r><AXISBODY><axis ID="1" NAME="kept"/>)";
    // Nesting 100,000 deep, also where a naive scan would count the nesting away.
    for (const char* level :
         {"<a>", "<a x=\"/>\">", "<a x='</a>'>", "<a><!-- </a> -->", "<a><![CDATA[</a>]]>",
          "<a x=\"&#x\"/>x;\">", "<a><b></b\n>", "<a><!x </a>", "<a><?xml version='</a>'?>"}) {
        expect(head + repeat(level, 100000), {{'s', 1, u"kept"}, {'s', 2, kOther}});
    }
    expect(head + "<axis ID=\"2\" NAME=\"" + std::string(1000000, 'n') + "\"/>",
           {{'s', 1, u"kept"}, {'s', 2, std::u16string(1000000, u'n')}});
    std::string attributes;
    for (int i = 0; i < 100000; ++i) {
        attributes += " a" + std::to_string(i) + "=''";
    }
    expect(head + "<axis ID='2' NAME='late'" + attributes, {{'s', 1, u"kept"}, {'s', 2, u"late"}});
    std::mt19937 random(7);
    for (int seed = 0; seed < 20; ++seed) {
        std::string junk(65536, '\0');
        std::generate(junk.begin(), junk.end(), [&] { return static_cast<char>(random()); });
        expect(head + junk, {{'s', 1, u"kept"}});
    }
}

TEST_F(NameTablesTest, CandidatesFollowTheXdgRules) {
    // clang-format off
    const std::tuple<std::string, XdgEnvironment, std::vector<std::string>> cases[] = {
        {"/opt/t", {"/home/u", "", ""}, {"/opt/t/Set.xml", "/home/u/.config/tandrel/Set.xml",
            "/usr/local/share/tandrel/Set.xml", "/usr/share/tandrel/Set.xml"}},
        {"", {"/h/", "relative", "/a/:relative::/b"},
            {"/h/.config/tandrel/Set.xml", "/a/tandrel/Set.xml", "/b/tandrel/Set.xml"}},
        {"/", {"", "/c", "/d"}, {"/Set.xml", "/c/tandrel/Set.xml", "/d/tandrel/Set.xml"}},
        {"/opt/t", {"/home/u", "/cfg", "/d"},
            {"/opt/t/Set.xml", "/cfg/tandrel/Set.xml", "/d/tandrel/Set.xml"}},
    };
    // clang-format on
    for (const auto& [exeDir, environment, expected] : cases) {
        EXPECT_EQ(StandardSetXmlLocator(exeDir, environment).candidates(), expected);
    }
    EXPECT_EQ(StandardSetXmlLocator::forThisProcess().candidates().front(),
              (fs::read_symlink("/proc/self/exe").parent_path() / "Set.xml").string());
}

// Read afresh at every look-up from the first location that opens as a regular file; one that
// cannot be read, even by root, is passed over like an absent one.
TEST_F(NameTablesTest, FirstUsableLocationWins) {
    fs::create_directories(dir / "dir/Set.xml");
    Listed locator;
    locator.paths = {(dir / "absent/Set.xml").string(), "/proc/sys/vm/drop_caches",
                     (dir / "dir/Set.xml").string(), write("c/Set.xml", oneSwitch("c")),
                     write("d/Set.xml", oneSwitch("d"))};
    const NameTables names(locator);
    EXPECT_EQ(names.LookUpSwitchName(1), u"c");
    const SetXmlSearch search = locateSetXml(locator);
    ASSERT_EQ(search.tried.size(), 4u);
    EXPECT_EQ(search.tried[0].state, CandidateState::Absent);
    EXPECT_EQ(search.tried[1].state, CandidateState::Unreadable);
    EXPECT_EQ(search.tried[1].error, EACCES);
    EXPECT_EQ(search.tried[2].state, CandidateState::NotAFile);
    EXPECT_EQ(search.tried[3].state, CandidateState::Used);
    EXPECT_EQ(search.used, locator.paths[3]);

    write("c/Set.xml", oneSwitch("C")); // an edit that keeps the size
    EXPECT_EQ(names.LookUpSwitchName(1), u"C");
    fs::remove(locator.paths[3]);
    EXPECT_EQ(names.LookUpSwitchName(1), u"d");
    fs::remove(locator.paths[4]);
    EXPECT_EQ(names.LookUpSwitchName(-1), kOther);
    EXPECT_EQ(names.LookUpColourName(255), kOther);
    EXPECT_FALSE(locateSetXml(locator).used);
}

// The window looks names up on the receiver worker; the tables kept must stand two threads at once.
TEST_F(NameTablesTest, TwoThreadsLookUpWhileTheFileIsReplaced) {
    const std::string path = write("Set.xml", "");
    const FixedSetXmlLocator file(path);
    const NameTables names(file);
    auto lookUps = [&names] {
        for (int i = 0; i < 200; ++i) {
            const std::u16string got = names.LookUpSwitchName(1);
            EXPECT_TRUE(got == u"" || got == u"a" || got == u"bb") << i;
        }
    };
    std::thread other(lookUps);
    for (const char* name : {"a", "bb", "a", "bb", "a", "bb", "a", "bb"}) {
        fs::rename(write(name, oneSwitch(name)), path); // readers see one file or the other
        lookUps();
    }
    other.join();
}

} // namespace
} // namespace tandrel
