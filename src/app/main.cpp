// The tandrel executable: the pairing window over the system's HID devices.
#include "AppName.h"
#include "CTandrelApp.h"

#include <LinuxHidPlatform.h>
#include <MessageSink.h>
#include <NameTables.h>
#include <QApplication>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    const auto setXml = tandrel::StandardSetXmlLocator::forThisProcess();
    const tandrel::NameTables names(setXml);
    tandrel::CTandrelApp app(
        std::make_unique<tandrel::LinuxHidPlatform>(), std::make_unique<tandrel::QMessageBoxSink>(),
        tandrel::applicationNameFromExecutable(QCoreApplication::applicationFilePath()),
        {[&names](int code) { return names.LookUpSwitchName(code); },
         [&names](int code) { return names.LookUpColourName(code); }});
    app.InitInstance();
    return 0;
}
