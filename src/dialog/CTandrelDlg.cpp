// The main window's construction, data exchange, keys and look.
#include "CTandrelDlg.h"

#include "DialogTemplate.h"
#include "Presentation.h"
#include "StatusAnnouncer.h"
#include "Texts.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace tandrel {
namespace {

constexpr std::chrono::milliseconds kTimerPeriod{1000};

constexpr std::array kLabelFontControls = {ctl::kStatusLine, ctl::kModelLabel, ctl::kFirmwareLabel,
                                           ctl::kSwitchLabel, ctl::kColourLabel};
constexpr std::array kValueFontControls = {ctl::kModel, ctl::kSwitch, ctl::kColour, ctl::kFirmware,
                                           ctl::kConnect};

const ControlDescriptor& descriptorOf(int id) {
    const auto& controls = kMainDialog.controls;
    return *std::find_if(controls.begin(), controls.end(),
                         [id](const ControlDescriptor& c) { return c.id == id; });
}

bool isEnterKey(const QKeyEvent& event) {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    return enter && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool isShiftF10(const QKeyEvent& event) {
    return event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier;
}

} // namespace

// A window of its own, not a Qt::Dialog: a parentless Qt dialog is a transient of Qt's hidden
// leader window on X11, and docks and window managers keep such a dialog off the taskbar and
// apart from its launcher. The hints keep the title bar's buttons as they were.
CTandrelDlg::CTandrelDlg(DialogContext context, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      context_(std::move(context)), receiver_(context_.receiver, context_.pause, context_.lookups),
      mainIcon(applicationIcon()),
      handlers_([this](HandlerEvent event) { return runHandler(event); },
                [this] {
                    showWaitingMessages();
                    if (handlers_.idle()) {
                        emit settled();
                    }
                }) {
    setFont(templateFont());
    const auto special = [this](const ControlDescriptor& control, QWidget& owner) -> QWidget* {
        if (control.id == ctl::kStatusLine) {
            return new StatusLine(context_.session, translated(control.text), &owner);
        }
        if (control.id == ctl::kStatusLamp) {
            statusLamp = new StatusLamp(context_.session, &owner);
            return statusLamp;
        }
        return nullptr;
    };
    createFromTemplate(*this, kMainDialog, baseUnitsOf(font()), mainIcon, special);
    announcer_ = std::make_unique<StatusAnnouncer>(
        *this, std::vector<QWidget*>{control(ctl::kStatusLine), statusLamp});

    connect(qobject_cast<QPushButton*>(control(ctl::kConnect)), &QPushButton::clicked, this,
            &CTandrelDlg::OnConnectClicked);
    connect(qobject_cast<QPushButton*>(control(ctl::kDeviceInfo)), &QPushButton::clicked, this,
            [this] { handlers_.add({HandlerEvent::Kind::RefreshClick}); });

    for (int id = kPairingPollTimer; id <= kReceiverWatchTimer; ++id) {
        QTimer& timer = timers_[static_cast<std::size_t>(id - 1)];
        timer.setInterval(kTimerPeriod);
        connect(&timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }

    presentWindow();
}

CTandrelDlg::~CTandrelDlg() = default;

QWidget* CTandrelDlg::control(int id) const {
    return controlById(*this, id);
}

void CTandrelDlg::presentWindow() {
    UpdateData(false);
    setWindowIcon(mainIcon);
    setWindowTitle(translated(text::kWindowTitle));
    applyFonts();
}

void CTandrelDlg::applyFonts() {
    labelFont = tandrel::labelFont();
    valueFont = tandrel::valueFont();
    for (const int id : kLabelFontControls) {
        control(id)->setFont(labelFont);
    }
    for (const int id : kValueFontControls) {
        control(id)->setFont(valueFont);
    }
    fitStatusLine();
}

// The status texts are wider than the status line's place in the template; it grows to the
// right, where the window has room, so that none of them is clipped.
void CTandrelDlg::fitStatusLine() {
    QWidget* line = control(ctl::kStatusLine);
    int width = line->width();
    const auto widen = [&](const char* text) {
        width = std::max(width, oneLineSize(line->font(), translated(text)).width());
    };
    widen(descriptorOf(ctl::kStatusLine).text);
    for (const auto status : text::kStatusTexts) {
        widen(status);
    }
    line->resize(width, line->height());
}

void CTandrelDlg::setStatus(const QString& text) {
    auto* line = static_cast<QLabel*>(control(ctl::kStatusLine));
    // The receiver watch shows the same status every second; drawing it again would wake the idle
    // window to repaint for nothing.
    if (line->text() == text && drawnState_ == context_.session.ConnectionState) {
        return;
    }
    drawnState_ = context_.session.ConnectionState;
    line->setText(text);
    line->update();
    statusLamp->update();
    announcer_->announce(text);
}

void CTandrelDlg::UpdateData(bool saveAndValidate) {
    const std::array<std::pair<int, QString*>, 4> bindings = {{
        {ctl::kModel, &modelText},
        {ctl::kColour, &colourText},
        {ctl::kSwitch, &switchText},
        {ctl::kFirmware, &firmwareText},
    }};
    for (const auto& [id, member] : bindings) {
        auto* edit = static_cast<QLineEdit*>(control(id));
        if (saveAndValidate) {
            *member = edit->text();
        } else if (edit->text() != *member) {
            // Rewriting an unchanged field would tell a screen reader, once a second, that its
            // text changed, and would drop the user's selection in it.
            edit->setText(*member);
        }
    }
}

void CTandrelDlg::showMessage(const QString& text) {
    ++openMessageBoxes_;
    context_.messages.show(*this, context_.applicationName, text);
    --openMessageBoxes_;
}

void CTandrelDlg::showWhenHandlerEnds(const QString& text) {
    waitingMessages_.push_back(text);
}

void CTandrelDlg::showWaitingMessages() {
    for (const QString& text : std::exchange(waitingMessages_, {})) {
        showMessage(text);
    }
}

void CTandrelDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CTandrelDlg::keyPressEvent(QKeyEvent* event) {
    if (isShiftF10(*event)) {
        openContextMenuFromKeyboard();
        return;
    }
    if (!isEnterKey(*event)) {
        QDialog::keyPressEvent(event);
        return;
    }
    // A focused button takes Enter as a click; anywhere else Enter is the dialog's OK.
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()); button != nullptr) {
        if (button->isEnabled()) {
            button->click();
        }
        return;
    }
    OnOK();
}

// Shift+F10 opens the window's menu from any control, the fields included (their menu key opens
// their own menu), so the About box stays in reach of the keyboard when Connect cannot take focus.
void CTandrelDlg::openContextMenuFromKeyboard() {
    const QWidget* anchor = focusWidget() != nullptr ? focusWidget() : this;
    const QPoint globalPos = anchor->mapToGlobal(anchor->rect().center());
    QContextMenuEvent event(QContextMenuEvent::Keyboard, mapFromGlobal(globalPos), globalPos);
    contextMenuEvent(&event);
}

void CTandrelDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!context_.showAbout && !context_.extendContextMenu) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    if (context_.extendContextMenu) {
        context_.extendContextMenu(menu);
    }
    if (!context_.showAbout) {
        menu.exec(event->globalPos());
        return;
    }
    menu.addSeparator();
    QAction* about = menu.addAction(translated(text::kAboutEntry));
    if (menu.exec(event->globalPos()) == about) {
        context_.showAbout(*this);
    }
}

} // namespace tandrel
