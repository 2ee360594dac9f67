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
#include <gtest/gtest.h>
#include <memory>

namespace tandrel {
namespace {

TEST(QtTranslations, FailureBoxAndFieldMenuSpeakChinese) {
    ASSERT_TRUE(loadQtTranslations());

    QWidget owner;
    QString buttons, caption, text;
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::Information;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(shown)) {
            for (const QAbstractButton* button : box->buttons()) {
                buttons += QLatin1Char('[') + button->text() + QLatin1Char(']');
            }
            icon = box->icon();
            caption = box->windowTitle();
            text = box->text();
            parent = box->parentWidget();
        }
        if (shown != nullptr) {
            shown->close();
        }
    });
    QMessageBoxSink().show(owner, QStringLiteral("tandrel"),
                           QStringLiteral("下发连接指令数据失败！"));
    EXPECT_EQ(buttons.toStdString(), "[确定]");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(caption.toStdString(), "tandrel");
    EXPECT_EQ(text.toStdString(), "下发连接指令数据失败！");
    EXPECT_EQ(parent, &owner);

    QLineEdit field;
    field.setReadOnly(true);
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QString entries;
    for (const QAction* action : menu->actions()) {
        entries +=
            QLatin1Char('[') + action->text().section(QLatin1Char('\t'), 0, 0) + QLatin1Char(']');
    }
    EXPECT_EQ(entries.toStdString(), "[复制(&C)][][全选]"); // a separator between the two
}

} // namespace
} // namespace tandrel
