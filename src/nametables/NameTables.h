// Switch-type and shell-colour names from Set.xml, which is found and read afresh at every look-up
// so that an edit shows at once.
#pragma once

#include "SetXmlLocator.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// Only this much of Set.xml is read. Real tables take a few kilobytes; a megabyte still holds a
// megabyte-long name, and bounds the parser's time and memory (a few hundred bytes per element).
constexpr std::size_t kMaxSetXmlBytes = 1024 * 1024;

namespace setxml {
struct LookUpTables;
}

// The tables of the last parse serve for as long as the file reads exactly as it did then: parsing
// the same reading again would give the same names. Look-ups may come from several threads.
class NameTables {
public:
    // The locator must outlive the tables.
    explicit NameTables(const SetXmlLocator& locator);
    ~NameTables();
    NameTables(const NameTables&) = delete;
    NameTables& operator=(const NameTables&) = delete;

    // Never fail: when no name is found the result is one of the two fallback texts.
    std::u16string LookUpSwitchName(int code) const;
    std::u16string LookUpColourName(int code) const;

private:
    // Null when no file can be read.
    std::shared_ptr<const setxml::LookUpTables> readTables() const;

    const SetXmlLocator& locator_;
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const setxml::LookUpTables> last_;
};

enum class CandidateState { Used, Absent, NotAFile, Unreadable };

struct CandidateCheck {
    std::string path;
    CandidateState state = CandidateState::Absent;
    int error = 0; // errno of the failed open, for Absent and Unreadable
};

// Which file the look-ups read, and what became of each location tried up to it.
struct SetXmlSearch {
    std::optional<std::string> used;
    std::vector<CandidateCheck> tried;
};

SetXmlSearch locateSetXml(const SetXmlLocator& locator);

enum class TextEncoding { Gbk, Gb18030, Utf8 };
// As iconv and the user know it: "GBK", "GB18030", "UTF-8".
std::string_view encodingName(TextEncoding encoding);

// What a file says about its own encoding, which the bytes may contradict.
struct EncodingLabel {
    bool byteOrderMark = false;          // starts with the UTF-8 byte-order mark
    std::optional<std::string> declared; // the XML declaration's encoding, as written
};

// Whether a declared encoding name stands for UTF-8; which encoding of the GB family it stands
// for (GBK for GBK and its subsets and aliases), none when it names none of them.
bool namesUtf8(std::string_view encodingName);
std::optional<TextEncoding> gbFamilyEncoding(std::string_view encodingName);

// One element the look-up walk examines, as the look-up sees it.
struct TableEntry {
    std::string element;                // after the first entry, elements of any name are examined
    std::optional<std::string> id;      // the ID text as the parser delivered it
    std::optional<int> code;            // the code this ID matches; none when it matches no code
    std::optional<std::u16string> name; // NAME, decoded
};

struct TableListing {
    bool present = false;            // the root has this table
    std::vector<TableEntry> entries; // in walk order
    int unreadBeforeFirstEntry = 0;  // elements before the first entry element, never examined
};

struct ParseProblem {
    std::string description;
    int row = 0; // 1-based, 0 when unknown
    int column = 0;
};

// Both tables as one reading of the file sees them, with what a user should be told about it.
struct SetXmlListing {
    SetXmlSearch search;
    TextEncoding encoding = TextEncoding::Utf8;
    bool validUtf8 = false; // the bytes would also read as UTF-8
    EncodingLabel label;
    bool asciiOnly = false;           // both encodings read the file alike
    bool cutAtSizeLimit = false;      // only the first kMaxSetXmlBytes were read
    bool cutAtStructureLimit = false; // nesting or attribute count beyond what is parsed
    std::optional<ParseProblem> problem;
    bool hasRoot = false;
    TableListing switches;
    TableListing colours;
};

SetXmlListing listSetXml(const SetXmlLocator& locator);

} // namespace tandrel
