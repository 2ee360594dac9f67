// Which encoding a Set.xml is written in, and turning its bytes into UTF-16 text.
#pragma once

#include "NameTables.h"

#include <string>
#include <string_view>

namespace tandrel::setxml {

struct EncodingChoice {
    TextEncoding encoding = TextEncoding::Utf8;
    // Parsed as UTF-8, text that is not would lose the quote or bracket after a stray lead byte:
    // the parser takes its length on trust.
    bool validUtf8 = false;
    bool asciiOnly = false; // reads the same in both encodings
    EncodingLabel label;
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// UTF-8 when the file starts with a UTF-8 byte-order mark and every byte forms valid UTF-8, as
// XML wants: such a file was re-saved as UTF-8 and kept a declaration that no longer holds.
// Otherwise the encoding of the GB family that the XML declaration names, whatever the bytes.
// Otherwise UTF-8 when every byte forms valid UTF-8, else GBK, whatever a UTF-8 declaration says:
// editors put a UTF-8 declaration on files saved in the system's code page, and such files were
// always read as GBK. `mayEndMidCharacter` forgives an incomplete last character, for text cut
// at the size limit.
EncodingChoice chooseEncoding(std::string_view text, bool mayEndMidCharacter);

// Invalid bytes become U+FFFD; decoding never fails.
std::u16string decodeUtf8(std::string_view bytes);

// GBK or GB18030 text as UTF-8, through iconv. Invalid bytes become U+FFFD; converting never
// fails.
std::string gbToUtf8(std::string_view bytes, TextEncoding from);

} // namespace tandrel::setxml
