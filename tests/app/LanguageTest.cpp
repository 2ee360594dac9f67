// The window's language from the locale, read by Qt in a window and by the command-line tool
// without Qt, which must agree; Qt's own texts follow it.
#include "../dialog/Window.h"
#include "ApplicationSetup.h"

#include <DisplayLanguage.h>
#include <QMenu>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tandrel {
namespace {

// Ends the process with 0 when a new window shows `expected`: its title, Connect, its status, then
// Qt's menu for a read-only field, between "|"; it prints what it shows.
[[noreturn]] void exitWhetherTheWindowShows(const QString& expected) {
    setUpApplication();
    test::Window w;
    w.init();
    QLineEdit field;
    field.setReadOnly(true);
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts{w.dialog.windowTitle(), w.dialog.control(1000)->property("text").toString(),
                      w.status()};
    for (const QAction* action : menu->actions()) {
        texts << action->text().section('\t', 0, 0);
    }
    std::fprintf(stderr, "[%s]\n", texts.join('|').toUtf8().constData());
    std::_Exit(texts.join('|') == expected ? 0 : 1);
}

// Each environment in a window, which gtest starts in a process of its own so that Qt reads the
// locale anew, and in the command-line tool, read as its main() reads it. Qt reads LANGUAGE under
// the C locale too, and LC_ALL, then LC_MESSAGES, before LANG.
TEST(Language, TheFirstOfChineseAndEnglishAskedForWinsNoneKeepsChineseOthersGetEnglish) {
    const QString chinese = "KORVEN 无线配对工具|连接|未找到接收器!|复制(&C)||全选";
    const QString english =
        "KORVEN Wireless Pairing Tool|Connect|No receiver found!|&Copy||Select All";
    const std::pair<std::vector<const char*>, QString> cases[] = {
        {{}, chinese},
        {{"LANG=zh_CN.UTF-8"}, chinese},
        {{"LANG=zh_TW.UTF-8"}, chinese},
        {{"LANG=en_US.UTF-8"}, english},
        {{"LANG=en_GB.UTF-8"}, english},
        {{"LANG=de_DE.UTF-8"}, english},
        {{"LANG=en_US.UTF-8", "LANGUAGE=zh_CN:en"}, chinese},
        {{"LANG=zh_CN.UTF-8", "LANGUAGE=en_US:zh_CN"}, english},
        {{"LANG=C", "LANGUAGE=en_US:zh_CN"}, english},
        {{"LANG=de_DE.UTF-8", "LC_MESSAGES=zh_CN.UTF-8"}, chinese},
        {{"LANG=zh_CN.UTF-8", "LC_ALL=en_GB.UTF-8", "LC_MESSAGES=C"}, english},
        {{"LANG=C.UTF-8"}, chinese}}; // last, as CTest runs this
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto& [settings, expected] : cases) {
        SCOPED_TRACE(::testing::PrintToString(settings));
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            unsetenv(name);
        }
        for (const char* setting : settings) {
            putenv(const_cast<char*>(setting)); // a literal, which outlives its use there
        }
        EXPECT_EXIT(exitWhetherTheWindowShows(expected), ::testing::ExitedWithCode(0), "");
        const DisplayLanguage tool = chooseDisplayLanguage(preferredLanguages(std::getenv));
        EXPECT_EQ(QStringView(inLanguage(u"未找到接收器!", tool)).toString(),
                  expected.section('|', 2, 2));
    }
}

} // namespace
} // namespace tandrel
