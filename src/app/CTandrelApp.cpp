// Start-up and shut-down of the application.
#include "CTandrelApp.h"

#include "ApplicationSetup.h"
#include "CAboutDlg.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <utility>

namespace tandrel {
namespace {

constexpr std::chrono::milliseconds kStartupProbeWait{250};

} // namespace

CTandrelApp::CTandrelApp(std::unique_ptr<HidPlatform> platform,
                         std::unique_ptr<MessageSink> messages, QString applicationName,
                         NameLookups lookups)
    : platform_(std::move(platform)), messages_(std::move(messages)),
      applicationName_(std::move(applicationName)), lookups_(std::move(lookups)),
      receiver_(*platform_, device_), worker_(receiver_, device_) {}

std::unique_ptr<CTandrelDlg> CTandrelApp::createMainDialog() {
    DialogContext context{
        .session = session_,
        .receiver = worker_,
        .messages = *messages_,
        .pause = blockingPause,
        .applicationName = applicationName_,
        .showAbout =
            [](QWidget& owner) {
                CAboutDlg about(&owner);
                about.exec();
            },
        .lookups = lookups_,
        .extendContextMenu = contextMenuExtras_,
    };
    return std::make_unique<CTandrelDlg>(std::move(context));
}

void CTandrelApp::InitInstance() {
    setUpApplication();
    auto dialog = createMainDialog();
    // The application takes the window's icon, already decoded, rather than a second copy: Qt
    // decodes every image of an icon when it is built, a few milliseconds of start-up.
    QGuiApplication::setWindowIcon(dialog->windowIcon());
    dialog->OnInitDialog();
    awaitStartupProbe(*dialog);
    // How the dialog ends makes no difference: closing it ends the program.
    dialog->exec();
}

// A receiver answers the start-up probe within milliseconds, so the window comes up showing what
// it found, and a screen reader reads that status with the window's title instead of hearing it
// change a moment later. A receiver that keeps the probe waiting does not keep the window away:
// it then comes up as it is, and the status follows.
void CTandrelApp::awaitStartupProbe(CTandrelDlg& dialog) {
    QEventLoop probing;
    QObject::connect(&dialog, &CTandrelDlg::settled, &probing, &QEventLoop::quit);
    QTimer::singleShot(kStartupProbeWait, &probing, &QEventLoop::quit);
    if (!dialog.handlersIdle()) {
        probing.exec();
    }
}

} // namespace tandrel
