// The main window: the pairing dialog with its controls, its four information texts and its look.
#pragma once

#include "AsyncReceiver.h"
#include "HandlerQueue.h"
#include "MessageSink.h"
#include "SessionState.h"
#include "Task.h"

#include <DeviceInfoText.h>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QString>
#include <QTimer>
#include <ReceiverLink.h>
#include <ReceiverWorker.h>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QContextMenuEvent;
class QMenu;
class QKeyEvent;

namespace tandrel {

class StatusAnnouncer;
class StatusLamp;

// What the dialog works with; everything here outlives the dialog.
struct DialogContext {
    SessionState& session;
    // Every exchange with the receiver, and the pause between pairing and the query, run there.
    ReceiverWorker& receiver;
    MessageSink& messages;
    Pause pause;
    QString applicationName; // the caption of every message box
    // Runs the About box over the dialog; without it the context menu has no About entry.
    std::function<void(QWidget& owner)> showAbout;
    // The Set.xml look-ups for the switch and colour names; they run on the receiver worker.
    NameLookups lookups;
    // Extra entries for the context menu, placed before the About entry (the demo's plug and
    // unplug commands).
    std::function<void(QMenu& menu)> extendContextMenu;
};

// The dialog's timers, told apart by id; each ticks once a second.
constexpr int kPairingPollTimer = 1;   // follows a pairing in progress
constexpr int kConnectedPollTimer = 2; // watches an established connection
constexpr int kReceiverWatchTimer = 3; // watches the receiver for the dialog's whole life

class CTandrelDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CTandrelDlg(DialogContext context, QWidget* parent = nullptr);
    ~CTandrelDlg() override;
    CTandrelDlg(const CTandrelDlg&) = delete;
    CTandrelDlg& operator=(const CTandrelDlg&) = delete;

    // Starts the receiver watch and asks for the start-up probe; call it once, before the window
    // is first shown.
    bool OnInitDialog();
    // A click or a tick: its handler runs once those before it have ended.
    void OnConnectClicked();
    void OnTimer(int id);
    // Every handler has ended and none waits: what the window shows is settled.
    bool handlersIdle() const { return handlers_.idle(); }

    void ShowDeviceInfo(bool connected);
    void ClearDeviceInfo();
    Task RefreshDeviceInfo();

    // Starting a running timer restarts its period; stopping a stopped one does nothing.
    void startTimer(int id);
    void stopTimer(int id);
    bool isTimerRunning(int id) const;
    // How often timer `id` was started or restarted: a restart is invisible in isTimerRunning.
    int timerStarts(int id) const;
    std::chrono::milliseconds timerPeriod(int id) const;

    // The control with a template id, or null.
    QWidget* control(int id) const;

    // Shows `text` on the status line. Call it after writing ConnectionState: the status
    // text and the lamp take their colour from the state as they are redrawn, and assistive
    // technology hears of a change of state.
    void setStatus(const QString& text);

    // Copies the four texts into their edits (false) or reads the edits back (true).
    void UpdateData(bool saveAndValidate);

    // A modal message box over the dialog, captioned with the application name.
    void showMessage(const QString& text);

    QString modelText;
    QString colourText;
    QString switchText;
    QString firmwareText;

signals:
    // The handlers have become idle.
    void settled();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void presentWindow();
    void OnOK();
    // Writes ConnectionState, then the status line, so the redraw already sees the new state.
    void enterState(std::int32_t state, const char* statusText);
    // State, status line, fields and follow-up timer for a status just read from the receiver.
    void showLinkStatus(std::uint8_t status);
    void setConnectEnabled(bool enabled);
    // Shows the boxes for a failed query or pair command, `last` ending the series.
    void reportFailure(ReceiverResult result, const char* last);
    Task runHandler(HandlerEvent event);
    // A handler's boxes come once it has ended, so that the next handler runs meanwhile, as ticks
    // go on under any modal box.
    void showWhenHandlerEnds(const QString& text);
    void showWaitingMessages();
    Task initialProbe();
    Task connectFlow();
    Task onPairingPollTick();
    Task onConnectedPollTick();
    Task onReceiverWatchTick();
    void keepPairingPollRunning();
    void applyFonts();
    void fitStatusLine();
    void openContextMenuFromKeyboard();

    DialogContext context_;
    AsyncReceiver receiver_;
    QIcon mainIcon;
    StatusLamp* statusLamp = nullptr;
    QFont labelFont;
    QFont valueFont;
    std::array<QTimer, 3> timers_;
    std::array<int, 3> timerStarts_{};
    int openMessageBoxes_ = 0; // message boxes run nested event loops in which ticks go on
    std::vector<QString> waitingMessages_;
    std::int32_t drawnState_ = -1; // the state the status line and the lamp were last drawn in
    std::unique_ptr<StatusAnnouncer> announcer_;
    // Last, so that it goes first: an abandoned handler may hold on to anything above.
    HandlerQueue handlers_;
};

} // namespace tandrel
