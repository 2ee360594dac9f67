// The About box, reached from the main window's context menu, and the application's wiring.
#include "CAboutDlg.h"

#include "AppName.h"
#include "CTandrelApp.h"

#include <DialogTemplate.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <SimulatedPlatform.h>
#include <functional>
#include <gtest/gtest.h>

namespace tandrel {
namespace {

// Records each box as "owner's title|caption|text".
struct RecordingSink final : MessageSink {
    explicit RecordingSink(QStringList& into) : shown(into) {}
    void show(QWidget& owner, const QString& caption, const QString& text) override {
        shown << owner.windowTitle() + '|' + caption + '|' + text;
    }
    QStringList& shown;
};

// Pixels for dialog units, worked out here from the 9-point sans serif both windows are laid out
// in: a unit across is a quarter of the average letter's width, a unit down an eighth of the
// font's height.
QRect pixels(int x, int y, int width, int height) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.0);
    const QFontMetrics metrics(font);
    const int letter = qRound(
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
    const auto across = [&](int units) { return qRound(units * letter / 4.0); };
    const auto down = [&](int units) { return qRound(units * metrics.height() / 8.0); };
    return {across(x), down(y), across(width), down(height)};
}

TEST(AboutBox, ShowsIconNameVersionNoticeAndOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Tandrel"));
    const QList<QLabel*> labels = about.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    EXPECT_EQ(labels[0]->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(labels[1]->text(), QStringLiteral("Tandrel，1.0 版"));
    EXPECT_EQ(labels[2]->text(), QStringLiteral("版权所有 (C) Tandrel 的作者们"));
    auto* ok = qobject_cast<QPushButton*>(controlById(about, kOkId));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_TRUE(ok->isDefault());
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

// In creation order, which is also the tab order.
TEST_F(Application, EveryControlOfBothWindowsAsItsTemplateHasIt) {
    struct Control {
        int id;
        const char* className;
        QString text;
        bool shown;
        QRect place;
    };
    const Control main[] = {
        {1000, "QPushButton", "连接", true, pixels(45, 19, 80, 22)},
        {1002, "QLabel", "未连接！！！", true, pixels(167, 34, 69, 18)},
        {1007, "QLabel", "型号：", true, pixels(47, 65, 57, 23)},
        {1003, "QLineEdit", "", true, pixels(111, 60, 126, 22)},
        {1008, "QLabel", "颜色：", true, pixels(47, 92, 57, 23)},
        {1004, "QLineEdit", "", true, pixels(111, 87, 126, 22)},
        {1009, "QLabel", "轴体：", true, pixels(47, 119, 57, 23)},
        {1005, "QLineEdit", "", true, pixels(111, 114, 126, 22)},
        {1010, "QLabel", "固件版本：", true, pixels(47, 146, 57, 23)},
        {1006, "QLineEdit", "", true, pixels(111, 141, 126, 22)},
        {1011, "QFrame", "", true, pixels(177, 11, 24, 20)},
        {1001, "QPushButton", "设备信息", false, pixels(7, 7, 50, 14)},
    };
    dialog->show();
    EXPECT_EQ(dialog->size(), pixels(0, 0, 296, 180).size());
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

    CAboutDlg about;
    EXPECT_EQ(about.size(), pixels(0, 0, 170, 62).size());
    const QList<QWidget*> controls = about.findChildren<QWidget*>();
    ASSERT_EQ(controls.size(), 4);
    const QRect icon = pixels(14, 14, 21, 20);
    EXPECT_EQ(controls[0]->geometry(), QRect(icon.topLeft(), QSize(32, 32))); // the icon's size
    EXPECT_EQ(controls[1]->geometry(), pixels(42, 14, 114, 8));
    EXPECT_EQ(controls[2]->geometry(), pixels(42, 26, 114, 8));
    EXPECT_EQ(controls[3]->geometry(), pixels(113, 41, 50, 14));
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

TEST_F(Application, TheRunEndsWhenTheModalMainWindowCloses) {
    QApplication::setWindowIcon(QIcon());
    QString modalTitle;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        modalTitle = modal->windowTitle();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    app.InitInstance();
    EXPECT_EQ(modalTitle, QStringLiteral("KORVEN 无线配对工具"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
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

} // namespace
} // namespace tandrel
