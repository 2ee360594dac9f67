// Encoding detection, a strict UTF-8 decoder and GBK conversion through glibc iconv.
#include "TextDecoding.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>
#include <optional>
#include <type_traits>

namespace tandrel::setxml {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

struct Utf8Scan {
    bool invalidBytes = false;
    bool endsMidCharacter = false;
};

void appendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// One U+FFFD per maximal invalid subsequence, the way browsers decode. Overlong forms,
// surrogates and values above U+10FFFF are invalid.
Utf8Scan scanUtf8(std::string_view bytes, std::u16string* out) {
    Utf8Scan scan;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            if (out) {
                out->push_back(lead);
            }
            ++i;
            continue;
        }
        int needed = 0;
        char32_t cp = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            cp = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            cp = lead & 0x0Fu;
            low = lead == 0xE0 ? 0xA0 : low;
            high = lead == 0xED ? 0x9F : high;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            cp = lead & 0x07u;
            low = lead == 0xF0 ? 0x90 : low;
            high = lead == 0xF4 ? 0x8F : high;
        }
        std::size_t next = i + 1;
        int got = 0;
        while (got < needed && next < bytes.size()) {
            const auto c = static_cast<unsigned char>(bytes[next]);
            if (c < low || c > high) {
                break;
            }
            cp = (cp << 6) | (c & 0x3Fu);
            low = 0x80;
            high = 0xBF;
            ++next;
            ++got;
        }
        if (needed == 0 || got < needed) {
            if (needed > 0 && next == bytes.size()) {
                scan.endsMidCharacter = true;
            } else {
                scan.invalidBytes = true;
            }
            if (out) {
                out->push_back(kReplacement);
            }
        } else if (out) {
            appendCodePoint(*out, cp);
        }
        i = next;
    }
    return scan;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The encoding pseudo-attribute of a leading XML declaration; nullopt when there is none.
std::optional<std::string_view> declaredEncoding(std::string_view text) {
    std::size_t i = text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
    auto skipSpace = [&] {
        while (i < text.size() && isXmlSpace(text[i])) {
            ++i;
        }
    };
    skipSpace();
    if (!equalsIgnoringAsciiCase(text.substr(i, 5), "<?xml")) {
        return std::nullopt;
    }
    i += 5;
    for (;;) {
        skipSpace();
        const std::size_t nameStart = i;
        while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        const std::string_view name = text.substr(nameStart, i - nameStart);
        skipSpace();
        if (name.empty() || i >= text.size() || text[i] != '=') {
            return std::nullopt;
        }
        ++i;
        skipSpace();
        if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) {
            return std::nullopt;
        }
        const std::size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        if (equalsIgnoringAsciiCase(name, "encoding")) {
            return text.substr(i + 1, close - i - 1);
        }
        i = close + 1;
    }
}

const auto kNoIconv = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

} // namespace

EncodingChoice chooseEncoding(std::string_view text, bool mayEndMidCharacter) {
    const Utf8Scan scan = scanUtf8(text, nullptr);
    EncodingChoice choice;
    choice.validUtf8 = !scan.invalidBytes && (!scan.endsMidCharacter || mayEndMidCharacter);
    choice.asciiOnly = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    choice.label.byteOrderMark = text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (const auto declared = declaredEncoding(text)) {
        choice.label.declared = std::string(*declared);
    }
    const std::optional<TextEncoding> declaredGb =
        choice.label.declared ? gbFamilyEncoding(*choice.label.declared) : std::nullopt;
    if (choice.validUtf8 && (choice.label.byteOrderMark || !declaredGb)) {
        choice.encoding = TextEncoding::Utf8;
    } else {
        choice.encoding = declaredGb.value_or(TextEncoding::Gbk);
    }
    return choice;
}

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string out;
    scanUtf8(bytes, &out);
    return out;
}

std::string gbToUtf8(std::string_view bytes, TextEncoding from) {
    std::string out;
    const std::unique_ptr<std::remove_pointer_t<iconv_t>, decltype(&iconv_close)> converter(
        iconv_open("UTF-8", std::string(encodingName(from)).c_str()), &iconv_close);
    if (converter.get() == kNoIconv) {
        // Without the converter only ASCII can be trusted.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out += kReplacementUtf8;
            }
        }
        return out;
    }

    std::string in(bytes);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    // A character of two bytes never needs more than three in UTF-8, one of four never more
    // than four.
    std::string buffer(2 * in.size() + 4, '\0');
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(converter.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer.data(), buffer.size() - outLeft);
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (error == E2BIG) {
            continue;
        }
        // EILSEQ: an invalid sequence; EINVAL: an incomplete one at the end.
        out += kReplacementUtf8;
        if (error != EILSEQ) {
            break;
        }
        ++inPtr;
        --inLeft;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace tandrel::setxml

namespace tandrel {

bool namesUtf8(std::string_view label) {
    return setxml::equalsIgnoringAsciiCase(label, "UTF-8") ||
           setxml::equalsIgnoringAsciiCase(label, "UTF8");
}

std::optional<TextEncoding> gbFamilyEncoding(std::string_view label) {
    if (setxml::equalsIgnoringAsciiCase(label, "GB18030")) {
        return TextEncoding::Gb18030;
    }
    // GB18030 reads a few of GBK's code points otherwise, so GBK files keep their GBK reading.
    for (const std::string_view gbk : {"GBK", "GB2312", "CP936", "windows-936"}) {
        if (setxml::equalsIgnoringAsciiCase(label, gbk)) {
            return TextEncoding::Gbk;
        }
    }
    return std::nullopt;
}

std::string_view encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Gbk:
        return "GBK";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Utf8:
        break;
    }
    return "UTF-8";
}

} // namespace tandrel
