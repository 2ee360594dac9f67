// The main window: its controls, fonts, colours by state, data exchange and keys.
#include "CTandrelDlg.h"

#include "DialogTemplate.h"
#include "Presentation.h"
#include "Texts.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <SimulatedPlatform.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iterator>
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
    void show(QWidget& owner, const QString& caption, const QString& text) override {
        shown.push_back({&owner, caption, text});
    }
    std::vector<ShownMessage> shown;
};

class MainDialog : public ::testing::Test {
protected:
    template <typename T = QWidget> T* at(int id) {
        auto* widget = qobject_cast<T*>(dialog.control(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    sim::SimulatedPlatform platform;
    DeviceRecord device;
    ReceiverLink receiver{platform, device};
    SessionState session;
    RecordingSink messages;
    CTandrelDlg dialog{{session,
                        device,
                        receiver,
                        messages,
                        [](std::chrono::milliseconds) {},
                        QStringLiteral("tandrel"),
                        {},
                        {},
                        {}}};
};

TEST_F(MainDialog, EveryControlInCreationOrderWithItsKindTextAndVisibility) {
    struct Expected {
        int id;
        const char* className;
        QString text;
        bool shown;
    };
    const Expected expected[] = {
        {1000, "QPushButton", QStringLiteral("连接"), true},
        {1002, "QLabel", QStringLiteral("未连接！！！"), true},
        {1007, "QLabel", QStringLiteral("型号："), true},
        {1003, "QLineEdit", {}, true},
        {1008, "QLabel", QStringLiteral("颜色："), true},
        {1004, "QLineEdit", {}, true},
        {1009, "QLabel", QStringLiteral("轴体："), true},
        {1005, "QLineEdit", {}, true},
        {1010, "QLabel", QStringLiteral("固件版本："), true},
        {1006, "QLineEdit", {}, true},
        {1011, "QFrame", {}, true},
        {1001, "QPushButton", QStringLiteral("设备信息"), false},
    };
    dialog.show();
    std::vector<QWidget*> created;
    for (QObject* child : dialog.children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()) {
            created.push_back(widget);
        }
    }
    ASSERT_EQ(created.size(), std::size(expected));
    for (std::size_t i = 0; i < created.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.id);
        QWidget* widget = created[i];
        EXPECT_EQ(widget, dialog.control(e.id));
        EXPECT_TRUE(widget->inherits(e.className));
        EXPECT_EQ(widget->isVisible(), e.shown);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_TRUE(edit->isReadOnly());
            EXPECT_TRUE(edit->text().isEmpty());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), e.text);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), e.text);
        }
    }
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("KORVEN 无线配对工具"));
}

TEST_F(MainDialog, TabMovesThroughButtonAndEditsInCreationOrder) {
    std::vector<int> order;
    QWidget* widget = dialog.control(ctl::kConnect);
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName().toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != dialog.control(ctl::kConnect));
    EXPECT_EQ(order, (std::vector<int>{1000, 1003, 1004, 1005, 1006, 1001}));
}

TEST_F(MainDialog, TemplateGeometryInPixelsOfTheTemplateFont) {
    const BaseUnits base = baseUnitsOf(templateFont());
    EXPECT_EQ(dialog.size(), toPixels(296, 180, base));
    EXPECT_EQ(at(ctl::kConnect)->geometry(), toPixels({45, 19, 80, 22}, base));
    EXPECT_EQ(at(ctl::kFirmware)->geometry(), toPixels({111, 141, 126, 22}, base));
    EXPECT_EQ(at(ctl::kStatusLamp)->geometry(), toPixels({177, 11, 24, 20}, base));
    // The status line keeps its place and height; only its width may grow.
    const QRect status = at(ctl::kStatusLine)->geometry();
    const QRect statusTemplate = toPixels({167, 34, 69, 18}, base);
    EXPECT_EQ(status.topLeft(), statusTemplate.topLeft());
    EXPECT_EQ(status.height(), statusTemplate.height());
    EXPECT_GE(status.width(), statusTemplate.width());
}

TEST_F(MainDialog, VisibleControlsStayInsideTheWindowApartAndStillOnResize) {
    dialog.show();
    std::vector<std::pair<int, QRect>> shown;
    for (int id = ctl::kConnect; id <= ctl::kStatusLamp; ++id) {
        if (at(id)->isVisible()) {
            shown.emplace_back(id, at(id)->geometry());
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(shown[i].first);
        EXPECT_TRUE(dialog.rect().contains(shown[i].second));
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(shown[i].second.intersects(shown[j].second)) << shown[j].first;
        }
    }
    const QRect lamp = at(ctl::kStatusLamp)->geometry();
    const QRect status = at(ctl::kStatusLine)->geometry();
    EXPECT_LT(lamp.bottom(), status.top());
    EXPECT_TRUE(lamp.left() < status.right() && status.left() < lamp.right());
    const int edits[] = {ctl::kModel, ctl::kColour, ctl::kSwitch, ctl::kFirmware};
    const int labels[] = {ctl::kModelLabel, ctl::kColourLabel, ctl::kSwitchLabel,
                          ctl::kFirmwareLabel};
    for (int row = 0; row < 4; ++row) {
        const QRect label = at(labels[row])->geometry();
        const QRect edit = at(edits[row])->geometry();
        EXPECT_LT(label.right(), edit.left());
        EXPECT_TRUE(label.top() < edit.bottom() && edit.top() < label.bottom()) << row;
        if (row > 0) {
            EXPECT_LT(at(edits[row - 1])->geometry().bottom(), edit.top());
        }
    }

    dialog.resize(dialog.width() * 2, dialog.height() / 2);
    for (const auto& [id, rect] : shown) {
        EXPECT_EQ(at(id)->geometry(), rect) << id;
    }
}

TEST_F(MainDialog, LabelFontOnStatusAndLabelsValueFontOnEditsAndConnect) {
    for (const int id : {1002, 1007, 1008, 1009, 1010}) {
        SCOPED_TRACE(id);
        const QFont font = at(id)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 15.0);
        EXPECT_EQ(font.weight(), QFont::Thin);
        EXPECT_EQ(font.families(), chineseFontFamilies());
    }
    for (const int id : {1000, 1003, 1004, 1005, 1006}) {
        SCOPED_TRACE(id);
        const QFont font = at(id)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 16.5);
        EXPECT_EQ(font.weight(), QFont::Normal);
        EXPECT_EQ(font.families(), chineseFontFamilies());
    }
    EXPECT_EQ(chineseFontFamilies().first(), QStringLiteral("Microsoft YaHei UI"));
    EXPECT_DOUBLE_EQ(at(ctl::kDeviceInfo)->font().pointSizeF(), 9.0);
}

TEST_F(MainDialog, EveryStatusTextAndLabelFitsItsControl) {
    QWidget* status = at(ctl::kStatusLine);
    for (const auto text : text::kStatusTexts) {
        EXPECT_TRUE(fitsOneLine(status->font(), toQString(text), status->contentsRect().size()))
            << toQString(text).toStdString();
    }
    for (const int id : {1007, 1008, 1009, 1010}) {
        auto* label = at<QLabel>(id);
        EXPECT_TRUE(fitsOneLine(label->font(), label->text(), label->contentsRect().size())) << id;
    }
    // The measure itself must reject a text that is too long.
    EXPECT_FALSE(fitsOneLine(status->font(), toQString(text::kNoReceiver).repeated(2),
                             status->contentsRect().size()));
}

TEST(StatusColour, RedGreenBlueForTheThreeStatesNothingElse) {
    EXPECT_EQ(statusColour(0), QColor(255, 0, 0));
    EXPECT_EQ(statusColour(1), QColor(0, 255, 0));
    EXPECT_EQ(statusColour(2), QColor(0, 0, 255));
    EXPECT_EQ(statusColour(3), std::nullopt);
    EXPECT_EQ(statusColour(-1), std::nullopt);
}

int pixelsNear(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            count += std::abs(p.red() - colour.red()) < 60 &&
                     std::abs(p.green() - colour.green()) < 60 &&
                     std::abs(p.blue() - colour.blue()) < 60;
        }
    }
    return count;
}

TEST_F(MainDialog, StatusTextAndLampTakeTheColourOfTheState) {
    struct Case {
        std::int32_t state;
        std::u16string_view text;
        QColor colour;
    };
    const Case cases[] = {
        {1, text::kConnected, QColor(0, 255, 0)},
        {2, text::kPairingSixDots, QColor(0, 0, 255)},
        {0, text::kNotConnected, QColor(255, 0, 0)},
    };
    dialog.show();
    QWidget* lamp = at(ctl::kStatusLamp);
    const QPoint lampCentre = lamp->geometry().center();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        session.ConnectionState = c.state;
        dialog.setStatus(toQString(c.text));
        const QImage lampImage = lamp->grab().toImage();
        EXPECT_EQ(lampImage.pixelColor(lamp->rect().center()), c.colour);
        EXPECT_EQ(lampImage.pixelColor(0, 0), QColor(Qt::black));
        // A repaint of the whole window must not turn the lamp red.
        EXPECT_EQ(dialog.grab().toImage().pixelColor(lampCentre), c.colour);

        const QImage statusImage = at(ctl::kStatusLine)->grab().toImage();
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
    EXPECT_EQ(at<QLineEdit>(ctl::kModel)->text(), QStringLiteral("V540N"));
    EXPECT_EQ(at<QLineEdit>(ctl::kColour)->text(), QStringLiteral("曜石黑"));
    EXPECT_EQ(at<QLineEdit>(ctl::kSwitch)->text(), QStringLiteral("红轴"));
    EXPECT_EQ(at<QLineEdit>(ctl::kFirmware)->text(), QStringLiteral("1.05"));

    at<QLineEdit>(ctl::kSwitch)->setText(QStringLiteral("茶轴"));
    dialog.show();
    at(ctl::kSwitch)->setFocus();
    QTest::keyClick(at(ctl::kSwitch), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.switchText, QStringLiteral("茶轴"));
    EXPECT_EQ(dialog.modelText, QStringLiteral("V540N"));
}

TEST_F(MainDialog, EscapeClosesTheWindow) {
    dialog.show();
    at(ctl::kModel)->setFocus();
    QTest::keyClick(at(ctl::kModel), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(MainDialog, EnterOnConnectClicksItAndLeavesTheWindowOpen) {
    dialog.show();
    QSignalSpy clicks(at<QPushButton>(ctl::kConnect), &QPushButton::clicked);
    at(ctl::kConnect)->setFocus();
    QTest::keyClick(at(ctl::kConnect), Qt::Key_Return);
    QTest::keyClick(at(ctl::kConnect), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(MainDialog, WindowIconHasEverySize) {
    const QList<QSize> sizes = dialog.windowIcon().availableSizes();
    for (const int size : {16, 24, 32, 48, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

} // namespace
} // namespace tandrel
