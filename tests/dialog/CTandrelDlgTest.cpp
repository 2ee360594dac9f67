// The main window: its controls, fonts, colours by state, data exchange and keys.
#include "Presentation.h"
#include "Window.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <Texts.h>
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

// What Orca alone would not notice: the keyboard still selects and copies a field whole, and the
// field's text reads as one run with its characters in place, whatever the Orca.
TEST_F(MainDialog, TabLeavesAFieldUnselectedWhichCtrlACopiesWholeAndReadsAsOneRun) {
    dialog.modelText = QStringLiteral("V540N");
    dialog.UpdateData(false);
    dialog.show();
    dialog.activateWindow();
    QCoreApplication::processEvents();
    at(1000)->setFocus();
    QTest::keyClick(at(1000), Qt::Key_Tab);
    auto* field = static_cast<QLineEdit*>(at(1003));
    ASSERT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->hasSelectedText());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("V540N"));

    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(field)->textInterface();
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 5));
    for (int offset = 0; offset < 5; ++offset) {
        text->attributes(offset, &start, &end);
        EXPECT_EQ(std::pair(start, end), std::pair(0, 5)) << offset;
        const QRect character = text->characterRect(offset);
        EXPECT_TRUE(QRect(field->mapToGlobal(QPoint()), field->size()).contains(character));
        const QPoint firstQuarter(character.left() + character.width() / 4, character.center().y());
        EXPECT_EQ(text->offsetAtPoint(firstQuarter), offset);
    }
    EXPECT_TRUE(text->characterRect(5).isEmpty());
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

// In English each status fits the status line, the pairing dots cycling as in Chinese; the boxes
// and the fallbacks, which fit their fields, are English; a name from Set.xml stays as it is.
TEST(InEnglish, StatusBoxesAndFallbacks) {
    const Speaking english(true);
    Window w;
    const auto shows = [&w](const char* status) {
        EXPECT_EQ(w.status(), status);
        EXPECT_TRUE(fitsIn(*w.dialog.control(1002), status)) << status;
    };
    w.init();
    shows("No receiver found!");
    EXPECT_FALSE(fitsIn(*w.dialog.control(1002), w.status().repeated(2))); // the measure works
    const std::size_t receiver = w.platform.addReceiver();
    w.platform.interfaceAt(receiver).openFailure = OpenError::PermissionDenied;
    w.tick(3);
    shows("Not connected!!!!!!");
    w.click(1000);
    EXPECT_EQ(w.boxes.texts,
              (std::vector<QString>{"No permission to use the receiver. Install the "
                                    "udev rule, then unplug the receiver and plug it "
                                    "in again.",
                                    "Cannot send the pair command!"}));
    w.platform.interfaceAt(receiver).openFailure.reset();
    w.platform.setAnswer(sim::makeAnswer({.firmwareMajor = 2, .infoPresent = false}));
    w.platform.setLinkStatus(1);
    const std::pair<int, const char*> pairing[] = {
        {3, "Pairing......"}, {1, "Pairing......"}, {1, "Pairing"}, {1, "Pairing..."}};
    for (const auto& [timer, text] : pairing) {
        w.tick(timer);
        shows(text);
    }
    w.platform.setLinkStatus(3);
    w.tick(1);
    shows("Connected!!!");
    EXPECT_EQ(w.shown(),
              (Fields{"No model stored!", "No colour stored!", "No switch stored!", "2.00"}));
    for (const QString& fallback : {w.shown().model, w.shown().colour, w.shown().switchName}) {
        EXPECT_TRUE(fitsIn(*w.dialog.control(1004), fallback)) << fallback.toStdString();
    }
    EXPECT_EQ(fieldText(u"连接"), "连接");
    EXPECT_EQ(fieldText(u"其他类型"), "Other");
}

} // namespace
} // namespace tandrel::test
