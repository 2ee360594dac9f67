// Finding the Set.xml that is used and reading it into the text the parser is given.
#pragma once

#include "NameTables.h"

#include <optional>
#include <string>
#include <string_view>

namespace tandrel::setxml {

// One reading of the file: everything a parse of it depends on.
struct FileText {
    std::string path;
    std::string bytes; // as read, at most kMaxSetXmlBytes
    bool cutAtSizeLimit = false;

    bool operator==(const FileText&) const = default;
};

// The text the parser is given: it ends before the first NUL byte, with CR LF and lone CR turned
// into LF, as the parser's own file loading does.
std::string normalisedLikeParserLoad(std::string_view bytes);

// Reads the first candidate that opens as a regular file; nullopt when none does. `search`
// receives what became of each candidate tried.
std::optional<FileText> readSetXml(const SetXmlLocator& locator, SetXmlSearch& search);

} // namespace tandrel::setxml
