// The window's two languages: which one the user's list of languages asks for, and the core's own
// texts in each, for the command-line tool, which has no Qt to translate them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

enum class DisplayLanguage { Chinese, English };

// `preferred` in the user's order, as locale names or language tags ("zh_CN.UTF-8", "en-US",
// "C"). The first that names Chinese or English wins. A list that names no language at all (empty,
// or only "C" and "POSIX") keeps the window's own Chinese; one that names only others gets English.
DisplayLanguage chooseDisplayLanguage(const std::vector<std::string>& preferred);

// The list as Qt reads it from the environment: the entries of LANGUAGE, else the first of
// LC_ALL, LC_MESSAGES and LANG that is set. Unlike gettext, Qt honours LANGUAGE under the C locale.
std::vector<std::string> preferredLanguages(const std::function<const char*(const char*)>& getenv);

// The texts the core gives the window (the status line's and the fields' fallbacks) in `language`;
// any other text, such as a name from Set.xml, comes back as it is.
std::u16string_view inLanguage(std::u16string_view text, DisplayLanguage language);

} // namespace tandrel
