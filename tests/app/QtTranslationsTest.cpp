// The real message box, and Qt's own texts in the user's language; CTest runs these under
// LANG=zh_CN.UTF-8.
#include "ApplicationSetup.h"

#include <MessageSink.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace tandrel {
namespace {

TEST(ApplicationSetup, NamesMatchTheDesktopEntryAndQtSpeaksChinese) {
    setUpApplication();
    // Docks find the launcher by its file name, the app id, and StartupWMClass, the X11 class.
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("io.tandrel.Tandrel"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("tandrel"));
    std::ifstream entry(TANDREL_SOURCE_DIR "/res/linux/io.tandrel.Tandrel.desktop");
    const std::string text(std::istreambuf_iterator<char>(entry), {});
    EXPECT_NE(text.find("\nStartupWMClass=tandrel\n"), std::string::npos);

    QWidget owner;
    QStringList seen; // icon, caption, text, owner's, then the buttons
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen << QString::number(box->icon()) << box->windowTitle() << box->text()
             << (box->parentWidget() == &owner ? "owner's" : "someone else's");
        for (const QAbstractButton* button : box->buttons()) {
            seen << button->text();
        }
        box->close();
    });
    QMessageBoxSink().show(owner, QStringLiteral("tandrel"),
                           QStringLiteral("下发连接指令数据失败！"));
    EXPECT_EQ(seen, QStringList({"0", "tandrel", "下发连接指令数据失败！", "owner's", "确定"}));

    QLineEdit field;
    field.setReadOnly(true);
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        entries << action->text().section(QLatin1Char('\t'), 0, 0);
    }
    EXPECT_EQ(entries, QStringList({"复制(&C)", "", "全选"})); // a separator between the two
}

} // namespace
} // namespace tandrel
