// The Set.xml look-up walk over the parsed document, the tables kept from the last parse, and the
// listing of both tables.
#include "NameTables.h"

#include "ParseGuard.h"
#include "SetXmlFile.h"
#include "TextDecoding.h"

#include <charconv>
#include <tinyxml.h>
#include <utility>

namespace tandrel {
namespace {

constexpr char16_t kOtherType[] = u"其他类型";

struct TableElements {
    const char* table;
    const char* entry;
};
constexpr TableElements kSwitchElements{"AXISBODY", "axis"};
constexpr TableElements kColourElements{"SHELLCOLOR", "color"};

// The parser takes a UTF-8 lead byte's length on trust and can step up to three bytes past the
// end of a cut-off character before it notices the end, so the text it is given ends in NULs.
constexpr std::size_t kParserOverrun = 8;

// One parse of one reading of the file; the document is released with this object. GBK and
// GB18030 text is parsed as the UTF-8 it converts to: the parser reads other encodings byte by
// byte and would turn a character reference such as &#x7EA2; into the one byte 0xA2.
class ParsedSetXml {
public:
    explicit ParsedSetXml(const setxml::FileText& file) : document_(file.path.c_str()) {
        const std::string normalised = setxml::normalisedLikeParserLoad(file.bytes);
        choice_ = setxml::chooseEncoding(normalised, file.cutAtSizeLimit);
        std::string_view body = normalised;
        if (body.substr(0, setxml::kUtf8Bom.size()) == setxml::kUtf8Bom) {
            body.remove_prefix(setxml::kUtf8Bom.size());
        }
        std::string text(choice_.encoding == TextEncoding::Utf8
                             ? std::string(body)
                             : setxml::gbToUtf8(body, choice_.encoding));
        const std::size_t safe = setxml::safeParseLength(text);
        cutByGuard_ = safe < text.size();
        text.resize(safe);
        text.append(kParserOverrun, '\0');
        // The parse result is not consulted: whatever the parser built before an error serves.
        document_.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    }

    const TiXmlElement* root() const { return document_.RootElement(); }
    const TiXmlDocument& document() const { return document_; }
    const setxml::EncodingChoice& encoding() const { return choice_; }
    bool cutByGuard() const { return cutByGuard_; }

private:
    setxml::EncodingChoice choice_;
    TiXmlDocument document_;
    bool cutByGuard_ = false;
};

// The walk starts at the first entry element and then examines every following sibling element,
// whatever its name.
const TiXmlElement* firstEntry(const TiXmlElement& table, const TableElements& elements) {
    return table.FirstChildElement(elements.entry);
}

// The code whose decimal text is exactly `id`; none when no code's text is. UTF-8 keeps ASCII
// bytes as they are and decodes no other byte sequence to ASCII, so comparing the ID's bytes with
// a code's text equals comparing the decoded texts.
std::optional<int> codeOf(const char* id) {
    const std::string_view text(id);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || std::to_string(value) != text) {
        return std::nullopt;
    }
    return value;
}

TableListing listTable(const ParsedSetXml& parsed, const TableElements& elements) {
    TableListing listing;
    const TiXmlElement* table = parsed.root()->FirstChildElement(elements.table);
    listing.present = table != nullptr;
    if (!table) {
        return listing;
    }
    const TiXmlElement* first = firstEntry(*table, elements);
    for (const TiXmlElement* e = table->FirstChildElement(); e && e != first;
         e = e->NextSiblingElement()) {
        ++listing.unreadBeforeFirstEntry;
    }
    for (const TiXmlElement* entry = first; entry; entry = entry->NextSiblingElement()) {
        TableEntry row;
        row.element = entry->Value();
        if (const char* id = entry->Attribute("ID")) {
            row.id = id;
            row.code = codeOf(id);
        }
        if (const char* name = entry->Attribute("NAME")) {
            row.name = setxml::decodeUtf8(name);
        }
        listing.entries.push_back(std::move(row));
    }
    return listing;
}

// What the look-ups need of one table: whether it is there, and its entries whose ID is some
// code's text, in walk order, so that the first one for a code wins.
class CodeNames {
public:
    CodeNames(const ParsedSetXml& parsed, const TableElements& elements) {
        const TiXmlElement* table =
            parsed.root() ? parsed.root()->FirstChildElement(elements.table) : nullptr;
        present_ = table != nullptr;
        for (const TiXmlElement* entry = table ? firstEntry(*table, elements) : nullptr; entry;
             entry = entry->NextSiblingElement()) {
            const char* id = entry->Attribute("ID");
            if (const std::optional<int> code = id ? codeOf(id) : std::nullopt) {
                const char* name = entry->Attribute("NAME");
                entries_.emplace_back(*code, name ? name : "");
            }
        }
    }

    // Without the root or the table every name is empty text.
    std::u16string nameOf(int code) const {
        if (!present_) {
            return {};
        }
        for (const auto& [entryCode, name] : entries_) {
            if (entryCode == code) {
                return setxml::decodeUtf8(name);
            }
        }
        return kOtherType;
    }

private:
    bool present_ = false;
    std::vector<std::pair<int, std::string>> entries_; // NAME as parsed; an absent one is empty
};

} // namespace

namespace setxml {

// Both tables of one reading of the file, kept with that reading to tell whether a later one is
// the same.
struct LookUpTables {
    FileText source;
    CodeNames switches;
    CodeNames colours;

    LookUpTables(FileText file, const ParsedSetXml& parsed)
        : source(std::move(file)), switches(parsed, kSwitchElements),
          colours(parsed, kColourElements) {}
};

} // namespace setxml

NameTables::NameTables(const SetXmlLocator& locator) : locator_(locator) {}

NameTables::~NameTables() = default;

std::u16string NameTables::LookUpSwitchName(int code) const {
    const std::shared_ptr<const setxml::LookUpTables> tables = readTables();
    return tables ? tables->switches.nameOf(code) : kOtherType;
}

std::u16string NameTables::LookUpColourName(int code) const {
    const std::shared_ptr<const setxml::LookUpTables> tables = readTables();
    return tables ? tables->colours.nameOf(code) : kOtherType;
}

std::shared_ptr<const setxml::LookUpTables> NameTables::readTables() const {
    SetXmlSearch search;
    std::optional<setxml::FileText> file = setxml::readSetXml(locator_, search);
    if (!file) {
        return nullptr;
    }
    std::shared_ptr<const setxml::LookUpTables> tables;
    {
        const std::lock_guard lock(mutex_);
        tables = last_;
    }
    if (tables && tables->source == *file) {
        return tables;
    }
    // Parsed outside the lock, so that a look-up on another thread need not wait for this one.
    const ParsedSetXml parsed(*file);
    tables = std::make_shared<const setxml::LookUpTables>(std::move(*file), parsed);
    const std::lock_guard lock(mutex_);
    last_ = tables;
    return tables;
}

SetXmlListing listSetXml(const SetXmlLocator& locator) {
    SetXmlListing listing;
    const std::optional<setxml::FileText> file = setxml::readSetXml(locator, listing.search);
    if (!file) {
        return listing;
    }
    const ParsedSetXml parsed(*file);
    listing.encoding = parsed.encoding().encoding;
    listing.validUtf8 = parsed.encoding().validUtf8;
    listing.label = parsed.encoding().label;
    listing.asciiOnly = parsed.encoding().asciiOnly;
    listing.cutAtSizeLimit = file->cutAtSizeLimit;
    listing.cutAtStructureLimit = parsed.cutByGuard();
    const TiXmlDocument& document = parsed.document();
    if (document.Error()) {
        listing.problem =
            ParseProblem{document.ErrorDesc(), document.ErrorRow(), document.ErrorCol()};
    }
    listing.hasRoot = parsed.root() != nullptr;
    if (listing.hasRoot) {
        listing.switches = listTable(parsed, kSwitchElements);
        listing.colours = listTable(parsed, kColourElements);
    }
    return listing;
}

} // namespace tandrel
