// Lists both name tables as the look-ups read them and warns about entries that cannot work.
#include "NamesCommand.h"

#include "Utf8.h"

#include <cstring>
#include <iomanip>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

namespace tandrel::cli {
namespace {

using nlohmann::json;

struct Table {
    const char* title;
    const char* tableElement;
    const char* entryElement;
    const char* jsonKey;
    const TableListing& listing;
};

const char* stateWords(CandidateState state) {
    switch (state) {
    case CandidateState::Used:
        return "used";
    case CandidateState::Absent:
        return "absent";
    case CandidateState::NotAFile:
        return "not a regular file";
    case CandidateState::Unreadable:
        return "cannot be read";
    }
    return "absent";
}

void warnAbout(const Table& table, std::vector<std::string>& warnings) {
    const std::string where = std::string(table.tableElement) + ": ";
    if (!table.listing.present) {
        warnings.push_back("there is no " + std::string(table.tableElement) +
                           " table under the root, so every " + table.title +
                           " name shows as empty text");
        return;
    }
    if (table.listing.unreadBeforeFirstEntry > 0) {
        warnings.push_back(where + std::to_string(table.listing.unreadBeforeFirstEntry) +
                           " element(s) stand before the first <" + table.entryElement +
                           "> and are never read");
    }
    std::map<int, std::size_t> firstOf;
    for (std::size_t i = 0; i < table.listing.entries.size(); ++i) {
        const TableEntry& entry = table.listing.entries[i];
        if (!entry.id) {
            warnings.push_back(where + "an <" + entry.element + "> without ID never matches");
            continue;
        }
        if (!entry.code) {
            warnings.push_back(where + "ID \"" + *entry.id +
                               "\" is not written as a plain decimal number and never matches");
            continue;
        }
        if (const auto [it, fresh] = firstOf.emplace(*entry.code, i); !fresh) {
            warnings.push_back(where + "ID " + *entry.id +
                               " appears more than once; only the first counts");
            continue;
        }
        if (!entry.name) {
            warnings.push_back(where + "the entry with ID " + *entry.id +
                               " has no NAME and shows as empty text");
        }
    }
}

json entriesJson(const TableListing& listing) {
    json rows = json::array();
    for (const TableEntry& entry : listing.entries) {
        rows.push_back({{"element", entry.element},
                        {"id", entry.id ? json(*entry.id) : json(nullptr)},
                        {"code", entry.code ? json(*entry.code) : json(nullptr)},
                        {"name", entry.name ? json(toUtf8(*entry.name)) : json(nullptr)}});
    }
    return rows;
}

void printTable(std::ostream& out, const Table& table) {
    out << "\n" << table.title << " (" << table.tableElement << "/" << table.entryElement << "):\n";
    if (!table.listing.present) {
        out << "  (no table)\n";
        return;
    }
    if (table.listing.entries.empty()) {
        out << "  (no entries)\n";
    }
    for (const TableEntry& entry : table.listing.entries) {
        out << "  " << std::setw(6) << entry.id.value_or("-") << "  "
            << (entry.name ? toUtf8(*entry.name) : "(no NAME)") << "\n";
    }
}

// A UTF-8 byte-order mark on valid UTF-8 decides the encoding, else a declaration of the GB
// family, else the bytes; a label that says otherwise is worth knowing about.
std::optional<std::string> encodingWarning(const SetXmlListing& listing) {
    const EncodingLabel& label = listing.label;
    const std::string declaration =
        label.declared ? "its declaration encoding=\"" + *label.declared + "\"" : std::string();
    const bool declaresOther =
        label.declared && !label.declared->empty() && !namesUtf8(*label.declared);
    if (label.byteOrderMark && listing.encoding == TextEncoding::Utf8 && declaresOther) {
        // Most likely re-saved as UTF-8 by an editor that left the declaration alone.
        return "the file is read as UTF-8, as its UTF-8 byte-order mark says, although " +
               declaration +
               " names another encoding; change the declaration to "
               "encoding=\"UTF-8\"";
    }
    if (const auto declaredGb = label.declared ? gbFamilyEncoding(*label.declared) : std::nullopt) {
        // Most likely converted to UTF-8 with the old declaration left in place.
        if (listing.validUtf8 && !listing.asciiOnly) {
            return "the file is read as " + std::string(encodingName(*declaredGb)) + ", as " +
                   declaration +
                   " says, but its bytes are also valid UTF-8; if it was saved as UTF-8, change "
                   "the declaration to encoding=\"UTF-8\"";
        }
        return std::nullopt;
    }
    if (listing.encoding == TextEncoding::Gbk) {
        std::vector<std::string> claims;
        if (label.byteOrderMark) {
            claims.emplace_back("its UTF-8 byte-order mark");
        }
        if (label.declared && namesUtf8(*label.declared)) {
            claims.push_back(declaration);
        }
        if (!claims.empty()) {
            return "the file is not valid UTF-8 despite " + claims.front() +
                   (claims.size() > 1 ? " and " + claims.back() : std::string()) + "; read as GBK";
        }
    }
    if (declaresOther && !listing.asciiOnly) {
        return "the file declares encoding=\"" + *label.declared +
               "\", which is not read; read as " + std::string(encodingName(listing.encoding));
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> setXmlWarnings(const SetXmlListing& listing) {
    std::vector<std::string> warnings;
    if (!listing.search.used) {
        return warnings;
    }
    if (listing.cutAtSizeLimit) {
        warnings.emplace_back("the file is larger than 1 MiB; only its first MiB is read");
    }
    if (auto warning = encodingWarning(listing)) {
        warnings.push_back(std::move(*warning));
    }
    if (listing.cutAtStructureLimit) {
        warnings.emplace_back("the file nests too deep or has too many attributes on one "
                              "element; nothing after that point is read");
    }
    if (listing.problem) {
        std::string where;
        if (listing.problem->row > 0) {
            where = ", line " + std::to_string(listing.problem->row) + ", column " +
                    std::to_string(listing.problem->column);
        }
        warnings.push_back("the file is not well-formed (" + listing.problem->description + where +
                           "); only what comes before that point is read");
    }
    if (!listing.hasRoot) {
        warnings.emplace_back("the file has no root element, so every name shows as empty text");
        return warnings;
    }
    warnAbout({"switch type", "AXISBODY", "axis", "", listing.switches}, warnings);
    warnAbout({"shell colour", "SHELLCOLOR", "color", "", listing.colours}, warnings);
    return warnings;
}

ExitCode runNames(CliContext& ctx, const SetXmlLocator& locator, bool asJson) {
    const SetXmlListing listing = listSetXml(locator);
    const std::vector<std::string> warnings = setXmlWarnings(listing);
    const Table tables[] = {
        {"Switch types", "AXISBODY", "axis", "switches", listing.switches},
        {"Shell colours", "SHELLCOLOR", "color", "colours", listing.colours},
    };

    if (asJson) {
        json j;
        j["file"] = listing.search.used ? json(*listing.search.used) : json(nullptr);
        j["tried"] = json::array();
        for (const CandidateCheck& check : listing.search.tried) {
            j["tried"].push_back({{"path", check.path}, {"state", stateWords(check.state)}});
        }
        j["encoding"] = listing.search.used ? json(encodingName(listing.encoding)) : json(nullptr);
        for (const Table& table : tables) {
            j[table.jsonKey] = entriesJson(table.listing);
        }
        j["warnings"] = warnings;
        // A file cut at the size limit may end inside a character of an element's name, which
        // the parser keeps as it is: such bytes show as U+FFFD rather than end the command.
        ctx.out << j.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    } else if (listing.search.used) {
        ctx.out << "Set.xml: " << *listing.search.used << " (" << encodingName(listing.encoding)
                << ")\n";
        for (const Table& table : tables) {
            printTable(ctx.out, table);
        }
        if (!warnings.empty()) {
            ctx.out << "\nWarnings:\n";
            for (const std::string& warning : warnings) {
                ctx.out << "  - " << warning << "\n";
            }
        }
    }

    if (!listing.search.used) {
        ctx.err << "tandrel-cli: no Set.xml found; every name shows as \"其他类型\". Looked at:";
        for (const CandidateCheck& check : listing.search.tried) {
            ctx.err << "\n  " << check.path << " (" << stateWords(check.state) << ")";
        }
        ctx.err << "\n";
        return ExitCode::Failure;
    }
    return ExitCode::Success;
}

} // namespace tandrel::cli
