// UTF-16 display texts to the UTF-8 a terminal and JSON expect.
#pragma once

#include <string>
#include <string_view>

namespace tandrel::cli {

// Unpaired surrogates become U+FFFD rather than invalid output.
std::string toUtf8(std::u16string_view text);

} // namespace tandrel::cli
