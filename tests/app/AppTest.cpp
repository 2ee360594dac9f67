// The About box, reached from the main window's context menu; the application's wiring; and the
// window's language from the locale, read by Qt in a window and by the command-line tool without
// Qt, which must agree, with Qt's own texts following it.
#include "../dialog/Window.h"
#include "AppName.h"
#include "ApplicationSetup.h"
#include "CAboutDlg.h"
#include "CTandrelApp.h"

#include <DialogTemplate.h>
#include <DialogUnits.h>
#include <DisplayLanguage.h>
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <SimulatedPlatform.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tandrel {
namespace {

using namespace std::chrono_literals;

// Records each box as "owner's title|caption|text".
struct RecordingSink final : MessageSink {
    explicit RecordingSink(QStringList& into) : shown(into) {}
    void show(QWidget& owner, const QString& caption, const QString& text) override {
        shown << owner.windowTitle() + '|' + caption + '|' + text;
    }
    QStringList& shown;
};

// Places in pixels for the template font, 9-point DejaVu Sans, in which a dialog unit is 7/4 pixel
// across (the letters average 7) and 14/8 down (its height); each place's dialog units follow it.
TEST(AboutBox, ShowsIconNameVersionNoticeAndOkInTheirPlacesWhichOkEscapeOrCloseDismiss) {
    ASSERT_EQ(QFontInfo(templateFont()).family(), QStringLiteral("DejaVu Sans"));
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Tandrel"));
    EXPECT_EQ(about.size(), QSize(298, 109)); // 170, 62
    const QList<QWidget*> controls = about.findChildren<QWidget*>();
    ASSERT_EQ(controls.size(), 4);
    EXPECT_EQ(controls[0]->property("pixmap").value<QPixmap>().size(), QSize(32, 32));
    EXPECT_EQ(controls[0]->geometry(), QRect(25, 25, 32, 32)); // 14, 14; the icon's own size
    EXPECT_EQ(controls[1]->property("text"), QStringLiteral("Tandrel，1.0 版"));
    EXPECT_EQ(controls[1]->geometry(), QRect(74, 25, 200, 14)); // 42, 14, 114, 8
    EXPECT_EQ(controls[2]->property("text"), QStringLiteral("版权所有 (C) Tandrel 的作者们"));
    EXPECT_EQ(controls[2]->geometry(), QRect(74, 46, 200, 14)); // 42, 26, 114, 8
    // An ampersand in either text shows as itself.
    for (QWidget* text : {controls[1], controls[2]}) {
        EXPECT_EQ(text->property("textFormat").value<Qt::TextFormat>(), Qt::PlainText);
        EXPECT_EQ(qobject_cast<QLabel*>(text)->alignment(), Qt::AlignLeft | Qt::AlignTop);
        EXPECT_EQ(text->focusPolicy(), Qt::NoFocus);
    }
    auto* ok = qobject_cast<QPushButton*>(controlById(about, kOkId));
    ASSERT_EQ(ok, controls[3]);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "a box of fixed size";
    EXPECT_EQ(ok->geometry(), QRect(198, 72, 88, 25)); // 113, 41, 50, 14

    const std::pair<const char*, std::function<void(CAboutDlg&)>> ways[] = {
        {"OK", [](CAboutDlg& box) { QTest::mouseClick(controlById(box, kOkId), Qt::LeftButton); }},
        {"Enter", [](CAboutDlg& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        {"Escape", [](CAboutDlg& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"close box", [](CAboutDlg& box) { box.close(); }},
    };
    for (const auto& [name, dismiss] : ways) { // the same box, opened again each time
        SCOPED_TRACE(name);
        about.show();
        dismiss(about);
        EXPECT_FALSE(about.isVisible());
    }
}

class Application : public ::testing::Test {
protected:
    QStringList shown;
    CTandrelApp app{std::make_unique<sim::SimulatedPlatform>(),
                    std::make_unique<RecordingSink>(shown), QStringLiteral("Renamed")};
    std::unique_ptr<CTandrelDlg> dialog = app.createMainDialog();
};

// In creation order, which is also the tab order; places in pixels as for the About box.
TEST_F(Application, EveryControlOfTheWindowAsItsTemplateHasIt) {
    // Id, class, text, shown, place.
    using Control = std::tuple<int, const char*, QString, bool, QRect>;
    const Control main[] = {
        {1000, "QPushButton", "连接", true, QRect(79, 33, 140, 39)},     // 45, 19, 80, 22
        {1002, "QLabel", "未连接！！！", true, QRect(292, 60, 121, 32)}, // 167, 34, 69, 18
        {1007, "QLabel", "型号：", true, QRect(82, 114, 100, 40)},       // 47, 65, 57, 23
        {1003, "QLineEdit", "", true, QRect(194, 105, 221, 39)},         // 111, 60, 126, 22
        {1008, "QLabel", "颜色：", true, QRect(82, 161, 100, 40)},       // 47, 92, 57, 23
        {1004, "QLineEdit", "", true, QRect(194, 152, 221, 39)},         // 111, 87, 126, 22
        {1009, "QLabel", "轴体：", true, QRect(82, 208, 100, 40)},       // 47, 119, 57, 23
        {1005, "QLineEdit", "", true, QRect(194, 200, 221, 39)},         // 111, 114, 126, 22
        {1010, "QLabel", "固件版本：", true, QRect(82, 256, 100, 40)},   // 47, 146, 57, 23
        {1006, "QLineEdit", "", true, QRect(194, 247, 221, 39)},         // 111, 141, 126, 22
        {1011, "QFrame", "", true, QRect(310, 19, 42, 35)},              // 177, 11, 24, 20
        {1001, "QPushButton", "设备信息", false, QRect(12, 12, 88, 25)}, // 7, 7, 50, 14
    };
    dialog->show();
    EXPECT_EQ(dialog->size(), QSize(518, 315));                // 296, 180
    dialog->resize(dialog->width() * 2, dialog->height() / 2); // the controls stay where they are
    QList<QWidget*> created = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    created.removeIf([](const QWidget* w) { return w->objectName().isEmpty(); }); // not controls
    ASSERT_EQ(created.size(), std::size(main));
    for (QWidget* widget : created) {
        const auto& [id, className, text, visible, expected] = main[created.indexOf(widget)];
        SCOPED_TRACE(id);
        EXPECT_EQ(widget, controlById(*dialog, id));
        EXPECT_TRUE(widget->inherits(className));
        EXPECT_EQ(widget->isVisible(), visible);
        EXPECT_EQ(widget->property("text").toString(), text);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_TRUE(edit->isReadOnly());
        }
        // The status line widens so that every status fits; the rest keep their places.
        QRect place = widget->geometry();
        place.setWidth(id == 1002 ? expected.width() : place.width());
        EXPECT_EQ(place, expected);
        EXPECT_GE(widget->width(), expected.width());
    }
}

// In English nothing is clipped: each control's text fits it, in the window and in the About box.
TEST_F(Application, InEnglishEveryTextFitsItsControl) {
    const test::Speaking english(true);
    dialog = app.createMainDialog();
    CAboutDlg about;
    QStringList aboutTexts{about.windowTitle()};
    for (const QWidget* control : about.findChildren<QWidget*>()) {
        aboutTexts << control->property("text").toString();
    }
    EXPECT_EQ(aboutTexts, QStringList({"About Tandrel", "", "Tandrel, version 1.0",
                                       "© The Tandrel authors", "OK"}));
    for (const QWidget* control :
         dialog->findChildren<QWidget*>() + about.findChildren<QWidget*>()) {
        const QString text = control->property("text").toString();
        EXPECT_TRUE(text.isEmpty() || test::fitsIn(*control, text)) << text.toStdString();
    }
}

TEST_F(Application, TheMenuFromMouseOrShiftF10OpensTheAboutBoxAgainAndAgain) {
    dialog->show();
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (const QAction* action : menu->actions()) {
                seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            QTimer::singleShot(0, [&] {
                auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
                ASSERT_NE(about, nullptr);
                seen << about->windowTitle();
                QTest::mouseClick(controlById(*about, kOkId), Qt::LeftButton);
            });
            QTest::keyClick(menu, Qt::Key_A); // the entry's mnemonic
        });
        if (round == 0) { // by the mouse, then by the keyboard from a field
            const QPoint inside = dialog->rect().bottomLeft() + QPoint(5, -5);
            QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
            QApplication::sendEvent(dialog.get(), &event);
        } else {
            QTest::keyClick(controlById(*dialog, 1006), Qt::Key_F10, Qt::ShiftModifier);
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    const QStringList once{"-", "关于 Tandrel(&A)...", "关于 Tandrel"};
    EXPECT_EQ(seen, once + once);
    EXPECT_TRUE(dialog->isVisible());
}

// The window comes up with what its start-up probe found, or, should the probe's write be held,
// after a quarter of a second with the template's status; closing it ends the run.
TEST_F(Application, TheWindowComesUpOnceItsProbeHasAnsweredOrWaitedLongEnoughAndEndsTheRun) {
    QApplication::setWindowIcon(QIcon());
    struct StatusAtShow final : QObject {
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (auto* window = qobject_cast<CTandrelDlg*>(watched);
                window != nullptr && event->type() == QEvent::Show) {
                text = static_cast<QLabel*>(window->control(1002))->text();
            }
            return false;
        }
        QString text;
    } statusShown;
    qApp->installEventFilter(&statusShown);
    sim::SimulatedPlatform* receiver = nullptr;
    QString modalTitle;
    bool upWhileHeld = false;
    int ticks = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modalTitle = modal->windowTitle();
            upWhileHeld = receiver->awaitHeldWrite(0ms);
            receiver->releaseWrites();
            QTest::keyClick(modal, Qt::Key_Escape);
        } else if (++ticks % 300 == 0) {
            receiver->releaseWrites(); // three seconds: the window waited for its probe
        }
    });
    closer.start(10);
    for (const bool held : {false, true}) {
        auto platform = std::make_unique<sim::SimulatedPlatform>();
        receiver = platform.get();
        if (held) {
            receiver->addReceiver();
            receiver->holdWrites();
        }
        CTandrelApp run(std::move(platform), std::make_unique<RecordingSink>(shown), "tandrel");
        run.InitInstance();
        EXPECT_EQ(modalTitle, QStringLiteral("KORVEN 无线配对工具"));
        EXPECT_EQ(statusShown.text, held ? "未连接！！！" : "未找到接收器!");
        EXPECT_EQ(upWhileHeld, held);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    qApp->removeEventFilter(&statusShown);
    // Windows without an owner, such as a stray message box, show the application's icon.
    EXPECT_EQ(QApplication::windowIcon().pixmap(48).size(), QSize(48, 48));
}

TEST_F(Application, MessageBoxesAreCaptionedWithTheExecutablesName) {
    dialog->showMessage(QStringLiteral("下发连接指令数据失败！"));
    EXPECT_EQ(shown, QStringList{"KORVEN 无线配对工具|Renamed|下发连接指令数据失败！"});
    // The name is the executable's file name without its extension.
    const std::pair<QString, QString> names[] = {
        {"/usr/bin/tandrel", "tandrel"},         {"/opt/tools/Tandrel.exe", "Tandrel"},
        {"/home/me/pair.tool.bin", "pair.tool"}, {"/home/v1.2/tandrel", "tandrel"},
        {"/home/me/.tandrel", ".tandrel"},       {"tandrel.", "tandrel"}};
    for (const auto& [path, name] : names) {
        EXPECT_EQ(applicationNameFromExecutable(path), name) << path.toStdString();
    }
}

// The real message box, its button in Chinese, as the window in this test's locale.
TEST(ApplicationSetup, NamesTheDesktopKnowsAndQtSpeaksChinese) {
    setUpApplication();
    // Docks find the launcher by the app id, its file name, and by the X11 class that the entry's
    // StartupWMClass names, as the desktop stage sees on X11.
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("io.tandrel.Tandrel"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("tandrel"));

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
}

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
