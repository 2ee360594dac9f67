// tandrel-demo: the pairing window over a simulated receiver, for seeing the tool without the
// hardware. The keyboard pairs a few seconds after Connect; the context menu unplugs the receiver.
#include "AppName.h"
#include "CTandrelApp.h"

#include <MessageSink.h>
#include <NameTables.h>
#include <QApplication>
#include <QMenu>
#include <SimulatedPlatform.h>
#include <Texts.h>
#include <memory>

namespace {

using tandrel::sim::SimulatedPlatform;

// About three and a half seconds of pairing: while the window pairs it asks twice a second.
const std::vector<std::uint8_t> kPairing{1, 1, 1, 1, 1, 1, 1, 3};

std::unique_ptr<SimulatedPlatform> demoReceiver() {
    auto platform = std::make_unique<SimulatedPlatform>();
    platform->addReceiver();
    platform->setAnswer(tandrel::sim::makeAnswer({.firmwareMajor = 1,
                                                  .firmwareMinor = 5,
                                                  .switchCode = 2,
                                                  .colourCode = 1,
                                                  .modelCode = 0x0082}));
    platform->setPairingScript(kPairing);
    return platform;
}

// The simulated receiver belongs to the receiver worker, like a real one: plugging and unplugging
// happen there, between two exchanges, and the window remembers which it asked for last.
class PlugEntries {
public:
    PlugEntries(SimulatedPlatform& receiver, tandrel::ReceiverWorker& worker)
        : receiver_(receiver), worker_(worker) {}

    void addTo(QMenu& menu) {
        QAction* unplug =
            menu.addAction(tandrel::translated(QT_TRANSLATE_NOOP("Tandrel", "演示：拔出接收器")));
        unplug->setEnabled(plugged_);
        QObject::connect(unplug, &QAction::triggered, [this] { setPlugged(false); });
        QAction* plug =
            menu.addAction(tandrel::translated(QT_TRANSLATE_NOOP("Tandrel", "演示：插入接收器")));
        plug->setEnabled(!plugged_);
        QObject::connect(plug, &QAction::triggered, [this] { setPlugged(true); });
    }

private:
    void setPlugged(bool plugged) {
        plugged_ = plugged;
        worker_.post(
            [&receiver = receiver_, plugged](tandrel::ReceiverLink&, tandrel::DeviceRecord&) {
                plugged ? receiver.plug() : receiver.unplug();
            });
    }

    SimulatedPlatform& receiver_;
    tandrel::ReceiverWorker& worker_;
    bool plugged_ = true;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);

    auto platform = demoReceiver();
    SimulatedPlatform& receiver = *platform;
    // Set.xml lies beside the demo only, so the real tools never pick up its example names.
    const auto setXml = tandrel::StandardSetXmlLocator::forThisProcess();
    const tandrel::NameTables names(setXml);
    tandrel::CTandrelApp app(
        std::move(platform), std::make_unique<tandrel::QMessageBoxSink>(),
        tandrel::applicationNameFromExecutable(QCoreApplication::applicationFilePath()),
        {[&names](int code) { return names.LookUpSwitchName(code); },
         [&names](int code) { return names.LookUpColourName(code); }});
    PlugEntries plugEntries(receiver, app.receiverWorker());
    app.setContextMenuExtras([&plugEntries](QMenu& menu) { plugEntries.addTo(menu); });
    app.InitInstance();
    return 0;
}
