// The main window: the pairing dialog with its controls, its four information texts and its look.
#pragma once

#include "MessageSink.h"
#include "SessionState.h"

#include <DeviceRecord.h>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QString>
#include <ReceiverLink.h>
#include <chrono>
#include <functional>

class QContextMenuEvent;
class QKeyEvent;

namespace tandrel {

class StatusLamp;

// Blocks the calling thread; nothing else is handled meanwhile.
using Pause = std::function<void(std::chrono::milliseconds)>;
void blockingPause(std::chrono::milliseconds duration);

// What the dialog works with; everything here outlives the dialog.
struct DialogContext {
    SessionState& session;
    DeviceRecord& device;
    ReceiverLink& receiver;
    MessageSink& messages;
    Pause pause;
    QString applicationName; // the caption of every message box
    // Runs the About box over the dialog; without it the context menu has no About entry.
    std::function<void(QWidget& owner)> showAbout;
};

class CTandrelDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CTandrelDlg(DialogContext context, QWidget* parent = nullptr);
    ~CTandrelDlg() override;
    CTandrelDlg(const CTandrelDlg&) = delete;
    CTandrelDlg& operator=(const CTandrelDlg&) = delete;

    // The control with a template id, or null.
    QWidget* control(int id) const;

    // Shows `text` on the status line. Call it after writing ConnectionState: the status
    // text and the lamp take their colour from the state as they are redrawn.
    void setStatus(const QString& text);

    // Copies the four texts into their edits (false) or reads the edits back (true).
    void UpdateData(bool saveAndValidate);

    // A modal message box over the dialog, captioned with the application name.
    void showMessage(const QString& text);

    void OnConnectClicked();
    void RefreshDeviceInfo();

    QString modelText;
    QString colourText;
    QString switchText;
    QString firmwareText;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool OnInitDialog();
    void OnOK();
    void applyFonts();
    void fitStatusLine();

    DialogContext context_;
    QIcon mainIcon;
    StatusLamp* statusLamp = nullptr;
    QFont labelFont;
    QFont valueFont;
};

} // namespace tandrel
