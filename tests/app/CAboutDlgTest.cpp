// The About box, reached from the main window's context menu, and the application's wiring.
#include "CAboutDlg.h"

#include "../dialog/Window.h"
#include "AppName.h"
#include "ApplicationSetup.h"
#include "CTandrelApp.h"

#include <DialogTemplate.h>
#include <DialogUnits.h>
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
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

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
TEST(AboutBox, ShowsIconNameVersionNoticeAndOkInTheirPlaces) {
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
}

TEST(AboutBox, OkEscapeAndTheCloseBoxDismissIt) {
    const std::pair<const char*, std::function<void(CAboutDlg&)>> ways[] = {
        {"OK", [](CAboutDlg& box) { QTest::mouseClick(controlById(box, kOkId), Qt::LeftButton); }},
        {"Enter", [](CAboutDlg& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        {"Escape", [](CAboutDlg& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"close box", [](CAboutDlg& box) { box.close(); }},
    };
    for (const auto& [name, dismiss] : ways) {
        SCOPED_TRACE(name);
        CAboutDlg about;
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
    struct Control {
        int id;
        const char* className;
        QString text;
        bool shown;
        QRect place;
    };
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
    for (std::size_t i = 0; i < std::size(main); ++i) {
        const Control& c = main[i];
        QWidget* widget = created[static_cast<qsizetype>(i)];
        SCOPED_TRACE(c.id);
        EXPECT_EQ(widget, controlById(*dialog, c.id));
        EXPECT_TRUE(widget->inherits(c.className));
        EXPECT_EQ(widget->isVisible(), c.shown);
        EXPECT_EQ(widget->property("text").toString(), c.text);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_TRUE(edit->isReadOnly());
        }
        // The status line widens so that every status fits; the rest keep their places.
        QRect place = widget->geometry();
        place.setWidth(c.id == 1002 ? c.place.width() : place.width());
        EXPECT_EQ(place, c.place);
        EXPECT_GE(widget->width(), c.place.width());
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
}

} // namespace
} // namespace tandrel
