// Which encoding a Set.xml is written in, and turning its bytes into UTF-16 text.
#pragma once

#include "NameTables.h"

#include <string>
#include <string_view>

namespace tandrel::setxml {

struct EncodingChoice {
    // UTF-8 only when every byte forms valid UTF-8: the parser takes a stray lead byte's length on
    // trust and would swallow the quote or bracket after it.
    TextEncoding encoding = TextEncoding::Utf8;
    bool asciiOnly = false; // reads the same in both encodings
    EncodingLabel label;
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// UTF-8 when every byte forms valid UTF-8, else GBK, whatever the byte-order mark or the
// declaration says: editors put a UTF-8 declaration on files saved in the system's code page,
// and such files were always read as GBK. `mayEndMidCharacter` forgives an incomplete last
// character, for text cut at the size limit.
EncodingChoice chooseEncoding(std::string_view text, bool mayEndMidCharacter);

// Invalid bytes become U+FFFD; decoding never fails.
std::u16string decodeUtf8(std::string_view bytes);

// Decodes GBK through iconv. Holding one decoder across many values spares reopening iconv.
class GbkDecoder {
public:
    GbkDecoder();
    GbkDecoder(const GbkDecoder&) = delete;
    GbkDecoder& operator=(const GbkDecoder&) = delete;
    ~GbkDecoder();

    // Invalid bytes become U+FFFD; decoding never fails.
    std::u16string decode(std::string_view bytes);

private:
    void* handle_; // an iconv_t; kept opaque so that this header stays free of iconv.h
};

} // namespace tandrel::setxml
