// Retraces the XML parser's reading of the text without building anything and without
// recursing, to find where its nesting or an element's attribute count passes the bounds.
//
// The retrace follows the parser step for step (TinyXML 2.6: the same whitespace, name, entity
// and multi-byte rules) because a simpler scan can be fooled: a quote hidden by an entity or a
// comment holding an end tag would hide real nesting from it. Where the parser gives up, so does
// the retrace, and the text needs no cut: the parser never reads past that point.
#include "ParseGuard.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace tandrel::setxml {
namespace {

// A position in the text, or nullopt where the parser gives up.
using Step = std::optional<std::size_t>;

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The parser counts every byte from 127 up as a letter.
bool isLetter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 127 ? std::isalpha(byte) != 0 : true;
}
bool isLetterOrDigit(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 127 ? std::isalnum(byte) != 0 : true;
}
bool isNameStart(char c) {
    return c != '\0' && (isLetter(c) || c == '_');
}
bool isNameChar(char c) {
    return c != '\0' && (isLetterOrDigit(c) || c == '_' || c == '-' || c == '.' || c == ':');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The parser's table of UTF-8 sequence lengths by first byte; invalid first bytes count as one.
std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 1;
}

constexpr std::string_view kDeclarationStart = "<?xml";
constexpr std::string_view kCommentStart = "<!--";
constexpr std::string_view kCDataStart = "<![CDATA[";

enum class Node { Declaration, Comment, CData, Unknown, Element };

struct StartTag {
    Step end;   // just past the tag; nullopt where the parser gives up
    Step cutAt; // set when the tag holds too many attributes
    bool opens = false;
    std::string_view name;
};

class Retrace {
public:
    explicit Retrace(std::string_view text) : text_(text) {}

    std::size_t run() {
        std::vector<std::string_view> open; // the elements the parser is inside, outermost first
        std::size_t i = skipSpace(0);
        while (at(i) != '\0') {
            Step next;
            if (at(i) != '<') {
                if (open.empty()) {
                    break; // text outside any element ends the parse
                }
                next = readText(i, "<", true);
                if (next) {
                    *next -= 1; // the '<' belongs to what follows
                }
            } else if (!open.empty() && startsWith(i, "</", false)) {
                // "</name" and then '>', with whitespace allowed between them.
                const std::string_view name = open.back();
                const std::size_t close = skipSpace(i + 2 + name.size());
                if (text_.substr(i + 2, name.size()) != name || at(close) != '>') {
                    break;
                }
                open.pop_back();
                next = close + 1;
            } else {
                switch (identify(i)) {
                case Node::Declaration:
                    next = declaration(i);
                    break;
                case Node::Comment:
                    next = skipPast(i + kCommentStart.size(), "-->");
                    break;
                case Node::CData:
                    next = skipPast(i + kCDataStart.size(), "]]>");
                    break;
                case Node::Unknown:
                    next = unknown(i);
                    break;
                case Node::Element: {
                    if (open.size() == kMaxNesting) {
                        return i;
                    }
                    const StartTag tag = startTag(i);
                    if (tag.cutAt) {
                        return *tag.cutAt;
                    }
                    if (tag.opens) {
                        open.push_back(tag.name);
                    }
                    next = tag.end;
                    break;
                }
                }
            }
            if (!next) {
                break;
            }
            i = skipSpace(*next);
        }
        return text_.size();
    }

private:
    // The parser may step a few bytes past the end; it reads NUL there, as it does here.
    char at(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    bool startsWith(std::size_t i, std::string_view tag, bool ignoreCase) const {
        for (std::size_t k = 0; k < tag.size(); ++k) {
            const char c = at(i + k);
            if (c == '\0') {
                return false;
            }
            // The tags are ASCII, and no C library lower-cases another byte into ASCII.
            const bool same = ignoreCase ? std::tolower(static_cast<unsigned char>(c)) ==
                                               std::tolower(static_cast<unsigned char>(tag[k]))
                                         : c == tag[k];
            if (!same) {
                return false;
            }
        }
        return true;
    }

    // The parser also skips byte-order marks and the two non-characters U+FFFE, U+FFFF.
    std::size_t skipSpace(std::size_t i) const {
        for (;;) {
            if (at(i) == '\xEF' &&
                ((at(i + 1) == '\xBB' && at(i + 2) == '\xBF') ||
                 (at(i + 1) == '\xBF' && (at(i + 2) == '\xBE' || at(i + 2) == '\xBF')))) {
                i += 3;
            } else if (isSpace(at(i))) {
                ++i;
            } else {
                return i;
            }
        }
    }

    Node identify(std::size_t i) const {
        if (startsWith(i, kDeclarationStart, true)) {
            return Node::Declaration;
        }
        if (startsWith(i, kCommentStart, false)) {
            return Node::Comment;
        }
        if (startsWith(i, kCDataStart, false)) {
            return Node::CData;
        }
        if (startsWith(i, "<!", false)) {
            return Node::Unknown;
        }
        return isNameStart(at(i + 1)) ? Node::Element : Node::Unknown;
    }

    Step skipPast(std::size_t i, std::string_view terminator) const {
        while (at(i) != '\0' && !startsWith(i, terminator, false)) {
            ++i;
        }
        return at(i) != '\0' ? Step{i + terminator.size()} : std::nullopt;
    }

    std::size_t unknown(std::size_t i) const {
        ++i;
        while (at(i) != '\0' && at(i) != '>') {
            ++i;
        }
        return at(i) == '>' ? i + 1 : i;
    }

    Step readName(std::size_t i) const {
        if (!isNameStart(at(i))) {
            return std::nullopt;
        }
        while (isNameChar(at(i))) {
            ++i;
        }
        return i;
    }

    // A character reference runs to the first ';' and is accepted when the characters just
    // before the ';' back to the 'x' or '#' are digits; the parser checks no further back.
    Step entity(std::size_t i) const {
        if (at(i + 1) == '#' && at(i + 2) != '\0') {
            const bool hex = at(i + 2) == 'x';
            if (hex && at(i + 3) == '\0') {
                return std::nullopt;
            }
            const std::size_t semicolon = text_.find(';', i + (hex ? 3 : 2)); // after "&#x" or "&#"
            if (semicolon == std::string_view::npos) {
                return std::nullopt;
            }
            const char stop = hex ? 'x' : '#';
            for (std::size_t k = semicolon - 1; at(k) != stop; --k) {
                if (!(hex ? isHexDigit(at(k)) : isDigit(at(k)))) {
                    return std::nullopt;
                }
            }
            return semicolon + 1;
        }
        for (const std::string_view named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
            if (startsWith(i, named, false)) {
                return i + named.size();
            }
        }
        return i + 1;
    }

    Step character(std::size_t i) const {
        const auto lead = static_cast<unsigned char>(at(i));
        const std::size_t length = utf8Length(lead);
        if (length > 1) {
            return i + length; // taken on trust, even past a quote or the end of the text
        }
        return lead == '&' ? entity(i) : Step{i + 1};
    }

    // Up to and past `terminator`, which must not end the text. Text content (`trim`) steps over
    // whitespace bytes one by one.
    Step readText(std::size_t i, std::string_view terminator, bool trim) const {
        while (at(i) != '\0' && !startsWith(i, terminator, false)) {
            const Step next = trim && isSpace(at(i)) ? Step{i + 1} : character(i);
            if (!next) {
                return std::nullopt;
            }
            i = *next;
        }
        if (at(i) == '\0' || at(i + terminator.size()) == '\0') {
            return std::nullopt;
        }
        return i + terminator.size();
    }

    Step attribute(std::size_t i, std::string_view* name) const {
        i = skipSpace(i);
        const Step nameEnd = readName(i);
        if (!nameEnd || at(*nameEnd) == '\0') {
            return std::nullopt;
        }
        if (name) {
            *name = text_.substr(i, *nameEnd - i);
        }
        i = skipSpace(*nameEnd);
        if (at(i) != '=') {
            return std::nullopt;
        }
        i = skipSpace(i + 1);
        const char quote = at(i);
        if (quote == '"' || quote == '\'') {
            return readText(i + 1, quote == '"' ? "\"" : "'", false);
        }
        if (quote == '\0') {
            return std::nullopt;
        }
        // An unquoted value runs to whitespace or the end of the tag; a quote inside it is fatal.
        while (at(i) != '\0' && !isSpace(at(i)) && at(i) != '/' && at(i) != '>') {
            if (at(i) == '"' || at(i) == '\'') {
                return std::nullopt;
            }
            ++i;
        }
        return i;
    }

    // Only version, encoding and standalone are read as attributes; anything else is skipped
    // word by word, so a '>' inside its quotes ends the declaration.
    Step declaration(std::size_t i) const {
        i += kDeclarationStart.size();
        while (at(i) != '\0') {
            if (at(i) == '>') {
                return i + 1;
            }
            i = skipSpace(i);
            if (at(i) == '\0') {
                return std::nullopt;
            }
            if (startsWith(i, "version", true) || startsWith(i, "encoding", true) ||
                startsWith(i, "standalone", true)) {
                const Step end = attribute(i, nullptr);
                if (!end) {
                    return std::nullopt;
                }
                i = *end;
            } else {
                while (at(i) != '\0' && at(i) != '>' && !isSpace(at(i))) {
                    ++i;
                }
            }
        }
        return std::nullopt;
    }

    StartTag startTag(std::size_t i) const {
        StartTag tag;
        i = skipSpace(i + 1);
        const Step nameEnd = readName(i);
        if (!nameEnd || at(*nameEnd) == '\0') {
            return tag;
        }
        tag.name = text_.substr(i, *nameEnd - i);
        i = *nameEnd;
        std::vector<std::string_view> attributes;
        for (;;) {
            i = skipSpace(i);
            const char c = at(i);
            if (c == '\0') {
                return tag;
            }
            if (c == '/') {
                if (at(i + 1) == '>') {
                    tag.end = i + 2;
                }
                return tag;
            }
            if (c == '>') {
                tag.end = i + 1;
                tag.opens = true;
                return tag;
            }
            if (attributes.size() == kMaxAttributes) {
                tag.cutAt = i;
                return tag;
            }
            std::string_view name;
            const Step end = attribute(i, &name);
            // The parser also gives up on an attribute given twice.
            if (!end || at(*end) == '\0' ||
                std::find(attributes.begin(), attributes.end(), name) != attributes.end()) {
                return tag;
            }
            attributes.push_back(name);
            i = *end;
        }
    }

    std::string_view text_;
};

} // namespace

std::size_t safeParseLength(std::string_view text) {
    return Retrace(text).run();
}

} // namespace tandrel::setxml
