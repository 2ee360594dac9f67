// Switch-type and shell-colour names from Set.xml, which is found, read and parsed afresh at every
// look-up so that an edit shows at once.
#pragma once

#include "SetXmlLocator.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// Only this much of Set.xml is read. Real tables take a few kilobytes; a megabyte still holds a
// megabyte-long name, and bounds the parser's time and memory (a few hundred bytes per element).
constexpr std::size_t kMaxSetXmlBytes = 1024 * 1024;

class NameTables {
public:
    // The locator must outlive the tables.
    explicit NameTables(const SetXmlLocator& locator);

    // Never fail: when no name is found the result is one of the two fallback texts.
    std::u16string LookUpSwitchName(int code) const;
    std::u16string LookUpColourName(int code) const;

private:
    const SetXmlLocator& locator_;
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

enum class TextEncoding { Gbk, Utf8 };

// What a file says about its own encoding, which the bytes may contradict.
struct EncodingLabel {
    bool byteOrderMark = false;          // starts with the UTF-8 byte-order mark
    std::optional<std::string> declared; // the XML declaration's encoding, as written
};

// Whether a declared encoding name stands for UTF-8, or for GBK or one of its subsets.
bool namesUtf8(std::string_view encodingName);
bool namesGbk(std::string_view encodingName);

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
