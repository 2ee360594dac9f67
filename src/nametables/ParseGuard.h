// Where Set.xml text must end so that parsing it stays shallow and cheap whatever it holds.
//
// The XML parser recurses once per nesting level, so deep nesting would overflow the stack, and it
// checks every new attribute against all earlier ones of its element, so a huge start tag would
// take quadratic time. Cutting the text before the first element past either bound turns such a
// file into a file broken off there: the parser stops at the cut and what it built so far still
// serves.
#pragma once

#include <cstddef>
#include <string_view>

namespace tandrel::setxml {

// Far beyond the three levels a name table needs, far below what the parser's recursion can take.
constexpr std::size_t kMaxNesting = 256;
// An entry needs two attributes; this leaves room for notes while keeping the check cheap.
constexpr std::size_t kMaxAttributes = 64;

// The length of the longest prefix of `text` in which the parser, reading UTF-8, meets no element
// nested deeper than kMaxNesting and none with more than kMaxAttributes attributes. `text` holds no
// NUL byte.
std::size_t safeParseLength(std::string_view text);

} // namespace tandrel::setxml
