// One window over a simulated receiver, with everything the window tests read back.
#pragma once

#include "CTandrelDlg.h"
#include "Presentation.h"
#include "SettleHandlers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <SimulatedPlatform.h>
#include <WindowLanguage.h>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

namespace tandrel::test {

struct Fields {
    QString model, colour, switchName, firmware;
    bool operator==(const Fields&) const = default;
};

inline void PrintTo(const Fields& f, std::ostream* os) {
    *os << "{" << f.model.toStdString() << "|" << f.colour.toStdString() << "|"
        << f.switchName.toStdString() << "|" << f.firmware.toStdString() << "}";
}

// A receiver's answer for a V540N, firmware 1.05, switch code 3, colour code 2.
inline const Report kV540N = sim::makeAnswer({1, 5, 3, 2, 0, 0x0082});

// The window's texts in a language for as long as this lives; windows built meanwhile speak it.
struct Speaking {
    explicit Speaking(bool english) {
        setWindowLanguage(english ? DisplayLanguage::English : DisplayLanguage::Chinese);
    }
    ~Speaking() { setWindowLanguage(DisplayLanguage::Chinese); }
};

// Whether `text` fits `control` on one line: a label's whole place, a button's or edit's less
// margins.
inline bool fitsIn(const QWidget& control, const QString& text) {
    const int inset = qobject_cast<const QLabel*>(&control) != nullptr ? 0 : 16;
    return oneLineSize(control.font(), text).width() <= control.contentsRect().width() - inset;
}

// Records the boxes shown, each captioned with the application name. A box runs its own event loop,
// in which ticks go on: `duringShow` stands for what happens meanwhile.
struct Boxes final : MessageSink {
    void show(QWidget&, const QString& caption, const QString& text) override {
        EXPECT_EQ(caption, "tandrel");
        texts.push_back(text);
        if (duringShow) {
            duringShow();
        }
    }
    std::vector<QString> texts;
    std::function<void()> duringShow;
};

// A look-up on the window's thread fails the test; `edition` stands for edits of Set.xml.
inline std::function<std::u16string(int)> lookUp(std::u16string what,
                                                 const std::atomic<int>& edition) {
    return [what, &edition, window = std::this_thread::get_id()](int c) {
        EXPECT_NE(std::this_thread::get_id(), window) << "a look-up on the window's thread";
        return (edition == 0 ? u"" : u"edited ") + what + u' ' + char16_t(u'0' + c);
    };
}

struct Window {
    QString status() const { return static_cast<QLabel*>(dialog.control(1002))->text(); }
    bool connectEnabled() const { return dialog.control(1000)->isEnabled(); }
    Fields shown() const {
        auto text = [this](int id) { return static_cast<QLineEdit*>(dialog.control(id))->text(); };
        return {text(1003), text(1004), text(1005), text(1006)};
    }
    std::set<int> running() const {
        std::set<int> ids{1, 2, 3};
        std::erase_if(ids, [this](int id) { return !dialog.isTimerRunning(id); });
        return ids;
    }
    void settle() { settleHandlers(dialog); }
    void click(int id) {
        static_cast<QPushButton*>(dialog.control(id))->click();
        settle();
    }
    void tick(int id) {
        dialog.OnTimer(id);
        settle();
    }
    void init() {
        dialog.OnInitDialog();
        settle();
    }

    std::atomic<int> edition = 0;
    sim::SimulatedPlatform platform;
    DeviceRecord device;
    ReceiverLink receiver{platform, device};
    ReceiverWorker worker{receiver, device};
    SessionState session;
    Boxes boxes;
    std::vector<std::chrono::milliseconds> pauses; // made on the receiver worker
    CTandrelDlg dialog{{session,
                        worker,
                        boxes,
                        [this](std::chrono::milliseconds d) { pauses.push_back(d); },
                        QStringLiteral("tandrel"),
                        {},
                        NameLookups{lookUp(u"switch", edition), lookUp(u"colour", edition)},
                        {}}};
};

} // namespace tandrel::test
