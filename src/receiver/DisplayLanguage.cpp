// Choosing the window's language, and the English of the core's texts.
#include "DisplayLanguage.h"

#include "DeviceInfoText.h"
#include "StatusTexts.h"

#include <algorithm>
#include <array>

namespace tandrel {
namespace {

enum class Asked { Nothing, Chinese, English, Other };

// A locale name or tag begins with its language: two or three letters, in ISO 639-1 or 639-2, as
// Qt reads them. "C", "POSIX" and "und" (undetermined) name none.
Asked languageOf(std::string_view tag) {
    std::string language(tag.substr(0, tag.find_first_of("-_.@")));
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (language.size() < 2 || language.size() > 3 ||
        !std::all_of(language.begin(), language.end(), isLetter)) {
        return Asked::Nothing;
    }
    std::transform(language.begin(), language.end(), language.begin(),
                   [](char c) { return static_cast<char>(c | 0x20); });
    if (language == "zh" || language == "zho" || language == "chi") {
        return Asked::Chinese;
    }
    if (language == "en" || language == "eng") {
        return Asked::English;
    }
    return language == "und" ? Asked::Nothing : Asked::Other;
}

struct Translation {
    std::u16string_view chinese;
    std::u16string_view english;
};

// The same English as the window's translation gives these texts.
constexpr std::array<Translation, 10> kEnglish{{
    {status::kNoReceiver, u"No receiver found!"},
    {status::kNotConnected, u"Not connected!!!!!!"},
    {status::kPairingSixDots, u"Pairing......"},
    {status::kPairingNoDots, u"Pairing"},
    {status::kPairingThreeDots, u"Pairing..."},
    {status::kConnected, u"Connected!!!"},
    {kModelNotWritten, u"No model stored!"},
    {kColourNotWritten, u"No colour stored!"},
    {kSwitchNotWritten, u"No switch stored!"},
    {kOtherTypeName, u"Other"},
}};

} // namespace

DisplayLanguage chooseDisplayLanguage(const std::vector<std::string>& preferred) {
    bool otherAsked = false;
    for (const std::string& tag : preferred) {
        switch (languageOf(tag)) {
        case Asked::Chinese:
            return DisplayLanguage::Chinese;
        case Asked::English:
            return DisplayLanguage::English;
        case Asked::Other:
            otherAsked = true;
            break;
        case Asked::Nothing:
            break;
        }
    }
    return otherAsked ? DisplayLanguage::English : DisplayLanguage::Chinese;
}

std::vector<std::string> preferredLanguages(const std::function<const char*(const char*)>& getenv) {
    const auto value = [&getenv](const char* name) {
        const char* text = getenv(name);
        return std::string_view(text != nullptr ? text : "");
    };
    std::vector<std::string> languages;
    if (std::string_view list = value("LANGUAGE"); !list.empty()) {
        for (std::size_t colon; (colon = list.find(':')) != std::string_view::npos;) {
            languages.emplace_back(list.substr(0, colon));
            list.remove_prefix(colon + 1);
        }
        languages.emplace_back(list);
        return languages;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!value(name).empty()) {
            languages.emplace_back(value(name));
            break;
        }
    }
    return languages;
}

std::u16string_view inLanguage(std::u16string_view text, DisplayLanguage language) {
    if (language == DisplayLanguage::English) {
        for (const Translation& translation : kEnglish) {
            if (translation.chinese == text) {
                return translation.english;
            }
        }
    }
    return text;
}

} // namespace tandrel
