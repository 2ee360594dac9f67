// The About box, reached from the main window's context menu, and the application's wiring.
#include "CAboutDlg.h"

#include "CTandrelApp.h"

#include <DialogTemplate.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <SimulatedPlatform.h>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace tandrel {
namespace {

struct ShownMessage {
    QWidget* owner;
    QString caption;
    QString text;
};

class RecordingSink final : public MessageSink {
public:
    explicit RecordingSink(std::vector<ShownMessage>& into) : shown_(into) {}
    void show(QWidget& owner, const QString& caption, const QString& text) override {
        shown_.push_back({&owner, caption, text});
    }

private:
    std::vector<ShownMessage>& shown_;
};

QStringList labelTexts(const QWidget& box) {
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

TEST(AboutBox, ShowsIconNameVersionNoticeAndOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Tandrel"));
    const QStringList texts = labelTexts(about);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("Tandrel，1.0 版"));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Tandrel")));
    auto* ok = qobject_cast<QPushButton*>(controlById(about, kOkId));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_TRUE(ok->isDefault());
    bool hasIcon = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        hasIcon = hasIcon || !label->pixmap().isNull();
    }
    EXPECT_TRUE(hasIcon);
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
    std::vector<ShownMessage> shown;
    CTandrelApp app{std::make_unique<sim::SimulatedPlatform>(),
                    std::make_unique<RecordingSink>(shown), QStringLiteral("Renamed")};
    std::unique_ptr<CTandrelDlg> dialog = app.createMainDialog();
};

TEST_F(Application, ContextMenuEntryOpensTheAboutBoxAgainAndAgain) {
    dialog->show();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QStringList menuEntries;
        QString aboutTitle;
        bool aboutWasModal = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (const QAction* action : menu->actions()) {
                menuEntries << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            QTimer::singleShot(0, [&] {
                auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
                ASSERT_NE(about, nullptr);
                aboutWasModal = about->isModal();
                aboutTitle = about->windowTitle();
                QTest::mouseClick(controlById(*about, kOkId), Qt::LeftButton);
            });
            QTest::keyClick(menu, Qt::Key_A); // the entry's mnemonic
        });
        const QPoint inside = dialog->rect().bottomLeft() + QPoint(5, -5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
        QApplication::sendEvent(dialog.get(), &event);

        EXPECT_EQ(menuEntries,
                  (QStringList{QStringLiteral("-"), QStringLiteral("关于 Tandrel(&A)...")}));
        EXPECT_TRUE(aboutWasModal);
        EXPECT_EQ(aboutTitle, QStringLiteral("关于 Tandrel"));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(dialog->isVisible());
    }
}

TEST_F(Application, TheRunEndsWhenTheModalMainWindowCloses) {
    QApplication::setWindowIcon(QIcon());
    QString modalTitle;
    QList<QSize> applicationIconSizes;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        modalTitle = modal->windowTitle();
        applicationIconSizes = QApplication::windowIcon().availableSizes();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    app.InitInstance();
    EXPECT_EQ(modalTitle, QStringLiteral("KORVEN 无线配对工具"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Windows without an owner, such as a stray message box, show the application's icon.
    for (const int size : {16, 24, 32, 48, 256}) {
        EXPECT_TRUE(applicationIconSizes.contains(QSize(size, size))) << size;
    }
}

TEST_F(Application, MessageBoxesAreCaptionedWithTheApplicationName) {
    dialog->showMessage(QStringLiteral("下发连接指令数据失败！"));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].owner, dialog.get());
    EXPECT_EQ(shown[0].caption, QStringLiteral("Renamed"));
    EXPECT_EQ(shown[0].text, QStringLiteral("下发连接指令数据失败！"));
}

} // namespace
} // namespace tandrel
