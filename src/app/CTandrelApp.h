// The application object: owns what lives for the whole run and runs the main window.
#pragma once

#include <CTandrelDlg.h>
#include <DeviceInfoText.h>
#include <DeviceRecord.h>
#include <HidPlatform.h>
#include <MessageSink.h>
#include <QString>
#include <ReceiverLink.h>
#include <ReceiverWorker.h>
#include <SessionState.h>
#include <functional>
#include <memory>
#include <utility>

namespace tandrel {

class CTandrelApp {
public:
    CTandrelApp(std::unique_ptr<HidPlatform> platform, std::unique_ptr<MessageSink> messages,
                QString applicationName, NameLookups lookups = {});
    CTandrelApp(const CTandrelApp&) = delete;
    CTandrelApp& operator=(const CTandrelApp&) = delete;

    // Runs the main window modally and returns once it has closed.
    void InitInstance();

    // The main window, wired to this run's state and to the About box.
    std::unique_ptr<CTandrelDlg> createMainDialog();

    // Entries the main window's context menu shows before About.
    void setContextMenuExtras(std::function<void(QMenu&)> extras) {
        contextMenuExtras_ = std::move(extras);
    }

    SessionState& session() { return session_; }
    // Where anything that changes the receiver's side must happen, between two exchanges.
    ReceiverWorker& receiverWorker() { return worker_; }
    const QString& applicationName() const { return applicationName_; }

private:
    static void awaitStartupProbe(CTandrelDlg& dialog);

    std::unique_ptr<HidPlatform> platform_;
    std::unique_ptr<MessageSink> messages_;
    QString applicationName_;
    NameLookups lookups_;
    std::function<void(QMenu&)> contextMenuExtras_;
    DeviceRecord device_;
    ReceiverLink receiver_;
    // After the link and the record it uses: it goes first, once its exchange in flight is back.
    ReceiverWorker worker_;
    SessionState session_;
};

} // namespace tandrel
