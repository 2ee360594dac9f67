// Start-up and shut-down of the application.
#include "CTandrelApp.h"

#include "ApplicationSetup.h"
#include "CAboutDlg.h"

#include <QGuiApplication>
#include <utility>

namespace tandrel {

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
    // How the dialog ends makes no difference: closing it ends the program.
    dialog->exec();
}

} // namespace tandrel
