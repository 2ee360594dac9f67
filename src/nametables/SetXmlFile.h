// Finding the Set.xml that is used and reading it into the text the parser is given.
#pragma once

#include "NameTables.h"

#include <optional>
#include <string>

namespace tandrel::setxml {

struct FileText {
    std::string path;
    // Ends before the first NUL byte, with CR LF and lone CR turned into LF, as the parser's own
    // file loading does.
    std::string text;
    bool cutAtSizeLimit = false;
};

// Reads the first candidate that opens as a regular file; nullopt when none does. `search`
// receives what became of each candidate tried.
std::optional<FileText> readSetXml(const SetXmlLocator& locator, SetXmlSearch& search);

} // namespace tandrel::setxml
