// The main window: its controls, fonts, colours by state, data exchange and keys.
#include "Presentation.h"
#include "Window.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace tandrel::test {
namespace {

class MainDialog : public ::testing::Test, public Window {
protected:
    QWidget* at(int id) { return dialog.control(id); }
};

TEST_F(MainDialog, TabMovesThroughButtonAndEditsInCreationOrderEachLabelled) {
    std::vector<int> order;
    QWidget* widget = dialog.control(1000);
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName().toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != dialog.control(1000));
    EXPECT_EQ(order, (std::vector<int>{1000, 1003, 1004, 1005, 1006, 1001}));
    for (const int field : {1003, 1004, 1005, 1006}) { // a screen reader names it by its label
        EXPECT_EQ(static_cast<QLabel*>(at(field + 4))->buddy(), at(field)) << field;
    }
}

TEST_F(MainDialog, LabelFontOnStatusAndLabelsValueFontOnEditsAndConnect) {
    const QStringList families{"Microsoft YaHei UI", "WenQuanYi Micro Hei", "Noto Sans CJK SC"};
    for (const int id : {1002, 1007, 1008, 1009, 1010, 1000, 1003, 1004, 1005, 1006}) {
        SCOPED_TRACE(id);
        const bool label = id >= 1007 || id == 1002;
        const QFont font = at(id)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), label ? 15.0 : 16.5);
        EXPECT_EQ(font.weight(), label ? QFont::Thin : QFont::Normal);
        EXPECT_EQ(font.families(), families);
    }
}

// The status line widens to the right for its longest text, and stays inside the window.
TEST(StatusLine, EveryStatusTextFitsItInBothLanguages) {
    for (const auto language : {DisplayLanguage::Chinese, DisplayLanguage::English}) {
        const Speaking speaking(language);
        Window w;
        QWidget* status = w.dialog.control(1002);
        for (const char* text : {"未找到接收器!", "未连接!!!!!!", "配对中......", "配对中",
                                 "配对中...", "已连接！！！"}) {
            EXPECT_TRUE(
                fitsOneLine(status->font(), speaking.say(text), status->contentsRect().size()))
                << text;
        }
        EXPECT_LE(status->geometry().right(), w.dialog.width() - 1);
        // The measure itself must reject a text that is too long.
        EXPECT_FALSE(fitsOneLine(status->font(), speaking.say("未找到接收器!").repeated(2),
                                 status->contentsRect().size()));
    }
}

int pixelsNear(const QImage& image, QColor c) {
    int count = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor p = image.pixelColor(i % image.width(), i / image.width());
        count += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                     std::abs(p.blue() - c.blue()) <
                 120;
    }
    return count;
}

TEST_F(MainDialog, StatusTextAndLampTakeTheColourOfTheState) {
    struct Case {
        std::int32_t state;
        QString text;
        QColor colour;
    };
    const Case cases[] = {
        {1, "已连接！！！", QColor(0, 255, 0)},
        {2, "配对中......", QColor(0, 0, 255)},
        {0, "未连接!!!!!!", QColor(255, 0, 0)},
    };
    struct PaintCounter final : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
        int paints = 0;
    } lampPaints;
    dialog.show();
    QWidget* lamp = at(1011);
    lamp->installEventFilter(&lampPaints);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        session.ConnectionState = c.state;
        lampPaints.paints = 0;
        dialog.setStatus(c.text);
        QCoreApplication::processEvents();
        EXPECT_GT(lampPaints.paints, 0) << "the lamp is redrawn with the status";
        lampPaints.paints = 0;
        dialog.setStatus(c.text); // as the receiver watch does every second
        QCoreApplication::processEvents();
        EXPECT_EQ(lampPaints.paints, 0) << "an unchanged status is not drawn again";
        const QImage lampImage = lamp->grab().toImage();
        EXPECT_EQ(lampImage.pixelColor(lamp->rect().center()), c.colour);
        EXPECT_EQ(lampImage.pixelColor(0, 0), QColor(Qt::black));
        // A repaint of the whole window must not turn the lamp red.
        EXPECT_EQ(dialog.grab().toImage().pixelColor(lamp->geometry().center()), c.colour);

        const QImage statusImage = at(1002)->grab().toImage();
        EXPECT_GT(pixelsNear(statusImage, c.colour), 10);
        for (const Case& other : cases) {
            if (other.state != c.state) {
                EXPECT_EQ(pixelsNear(statusImage, other.colour), 0) << other.state;
            }
        }
    }
}

TEST_F(MainDialog, TextsGoToTheEditsAndComeBackOnEnter) {
    dialog.modelText = QStringLiteral("V540N");
    dialog.colourText = QStringLiteral("曜石黑");
    dialog.switchText = QStringLiteral("红轴");
    dialog.firmwareText = QStringLiteral("1.05");
    dialog.UpdateData(false);
    EXPECT_EQ(shown(), (Fields{"V540N", "曜石黑", "红轴", "1.05"}));

    static_cast<QLineEdit*>(at(1005))->setText(QStringLiteral("茶轴"));
    dialog.show();
    at(1005)->setFocus();
    QTest::keyClick(at(1005), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.switchText, QStringLiteral("茶轴"));
    EXPECT_EQ(dialog.modelText, QStringLiteral("V540N"));
}

TEST_F(MainDialog, EnterOnConnectClicksItAndEscapeClosesTheWindow) {
    dialog.show();
    QSignalSpy clicks(static_cast<QPushButton*>(at(1000)), &QPushButton::clicked);
    at(1000)->setFocus();
    QTest::keyClick(at(1000), Qt::Key_Return);
    QTest::keyClick(at(1000), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(dialog.isVisible());

    at(1003)->setFocus();
    QTest::keyClick(at(1003), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// A name from Set.xml is shown as it is, even one that reads like a text of the window; the
// look-ups' fallback for a code without a name is the window's own text, and is translated.
TEST(Fields, OnlyTheWindowsOwnFallbackIsTranslated) {
    const Speaking english(DisplayLanguage::English);
    Window w;
    CTandrelDlg dialog(
        DialogContext{w.session,
                      w.worker,
                      w.boxes,
                      [](auto) {},
                      "tandrel",
                      {},
                      NameLookups{[](int) { return u"其他类型"; }, [](int) { return u"连接"; }},
                      {}});
    w.platform.addReceiver();
    w.platform.setLinkStatus(3);
    w.platform.setAnswer(sim::makeAnswer({.firmwareMajor = 1, .modelCode = 0x0082}));
    dialog.OnInitDialog();
    settleHandlers(dialog);
    EXPECT_EQ(dialog.colourText, "连接");
    EXPECT_EQ(dialog.switchText, "Other");
}

} // namespace
} // namespace tandrel::test
