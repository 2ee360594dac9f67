// The window's language from the locale, read by Qt in a window of its own under each environment,
// and the command-line tool's from the same environment without Qt: both must agree.
#include <DisplayLanguage.h>
#include <QString>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>

namespace tandrel {
namespace {

// The window's first start-up in `environment` ("NAME=value ..."), with no other locale variable.
QString windowTextsIn(const std::string& environment) {
    const std::string command = "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG "
                                "QT_QPA_PLATFORM=offscreen " +
                                environment + " " TANDREL_PROBE " 2>/dev/null";
    const std::unique_ptr<FILE, int (*)(FILE*)> probe(popen(command.c_str(), "r"), pclose);
    std::array<char, 256> line{};
    return probe && std::fgets(line.data(), line.size(), probe.get())
               ? QString::fromUtf8(line.data())
               : QString();
}

DisplayLanguage commandLineLanguageIn(const std::string& environment) {
    std::map<std::string, std::string> variables;
    std::istringstream words(environment);
    for (std::string word; words >> word;) {
        variables[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    return chooseDisplayLanguage(preferredLanguages([&variables](const char* name) {
        const auto found = variables.find(name);
        return found != variables.end() ? found->second.c_str() : nullptr;
    }));
}

// Title, Connect, the status without a receiver and Qt's "Select All".
TEST(Language, TheFirstOfChineseAndEnglishAskedForWinsNoneKeepsChineseOthersGetEnglish) {
    const QString chinese = "KORVEN 无线配对工具|连接|未找到接收器!|全选|";
    const QString english = "KORVEN Wireless Pairing Tool|Connect|No receiver found!|Select All|";
    const std::pair<std::string, QString> cases[] = {
        {"", chinese},
        {"LANG=C.UTF-8", chinese},
        {"LANG=POSIX", chinese},
        {"LANG=zh_CN.UTF-8", chinese},
        {"LANG=zh_TW.UTF-8", chinese},
        {"LANG=en_US.UTF-8", english},
        {"LANG=en_GB.UTF-8", english},
        {"LANG=de_DE.UTF-8", english},
        {"LANG=en_US.UTF-8 LANGUAGE=zh_CN:en", chinese},
        {"LANG=zh_CN.UTF-8 LANGUAGE=en_US:zh_CN", english},
        // Qt reads LANGUAGE under the C locale too, and LC_ALL, then LC_MESSAGES, before LANG.
        {"LANG=C LANGUAGE=en_US:zh_CN", english},
        {"LANG=de_DE.UTF-8 LANGUAGE=de:zh_CN", chinese},
        {"LANG=de_DE.UTF-8 LC_MESSAGES=zh_CN.UTF-8", chinese},
        {"LANG=zh_CN.UTF-8 LC_ALL=en_GB.UTF-8 LC_MESSAGES=C", english},
        {"LANG=en_US.UTF-8 LC_ALL=C.UTF-8", chinese},
    };
    for (const auto& [environment, expected] : cases) {
        SCOPED_TRACE(environment);
        EXPECT_EQ(windowTextsIn(environment), expected);
        const std::u16string_view status =
            inLanguage(u"未找到接收器!", commandLineLanguageIn(environment));
        EXPECT_EQ(QString::fromStdU16String(std::u16string(status)), expected.section(u'|', 2, 2));
    }
}

} // namespace
} // namespace tandrel
