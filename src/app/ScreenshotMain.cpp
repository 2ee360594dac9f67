// tandrel-screenshot: renders the main window in each connection state and the About box to PNG
// files, in Chinese and in English ("-en"), over a simulated receiver, so the window can be looked
// at without a display.
#include "CAboutDlg.h"
#include "CTandrelApp.h"

#include <NameTables.h>
#include <Presentation.h>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTextStream>
#include <SettleHandlers.h>
#include <SimulatedPlatform.h>
#include <WindowLanguage.h>
#include <cstdint>
#include <memory>
#include <optional>

namespace {

using namespace tandrel;

class SilentSink final : public MessageSink {
public:
    void show(QWidget&, const QString&, const QString&) override {}
};

struct Shot {
    const char* file;                       // without its extension
    std::optional<std::uint8_t> linkStatus; // none: no receiver plugged in
    bool keyboardKnown;                     // the receiver holds the keyboard's information
};

bool save(QWidget& widget, const QDir& dir, const QString& file) {
    widget.show();
    const QString path = dir.filePath(file);
    if (!widget.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

// Each state is reached the way the window reaches it: through its own start-up probe.
bool render(const Shot& shot, const QDir& dir, const NameTables& names, const QString& file) {
    auto platform = std::make_unique<sim::SimulatedPlatform>();
    if (shot.linkStatus) {
        platform->addReceiver();
        platform->setAnswer(sim::makeAnswer({.firmwareMajor = 1,
                                             .firmwareMinor = 5,
                                             .switchCode = 2,
                                             .colourCode = 1,
                                             .modelCode = 0x0082,
                                             .infoPresent = shot.keyboardKnown}));
        platform->setLinkStatus(*shot.linkStatus);
    }
    CTandrelApp app(std::move(platform), std::make_unique<SilentSink>(), QStringLiteral("tandrel"),
                    {[&names](int code) { return names.LookUpSwitchName(code); },
                     [&names](int code) { return names.LookUpColourName(code); }});
    auto dialog = app.createMainDialog();
    dialog->OnInitDialog();
    settleHandlers(*dialog); // the probe's answer arrives through the event loop
    return save(*dialog, dir, file);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: tandrel-screenshot OUTPUT-DIRECTORY SET-XML\n";
        return 2;
    }
    const FixedSetXmlLocator setXml(argv[2]);
    const NameTables names(setXml);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << dir.path() << '\n';
        return 1;
    }
    QApplication::setWindowIcon(applicationIcon());

    const Shot shots[] = {
        {"window-no-receiver", std::nullopt, false},
        {"window-not-connected", 0, false},
        {"window-connected", 3, true},
        {"window-pairing", 1, false},
    };
    bool ok = true;
    for (const auto& [language, suffix] : {std::pair(DisplayLanguage::Chinese, ".png"),
                                           std::pair(DisplayLanguage::English, "-en.png")}) {
        setWindowLanguage(language);
        for (const Shot& shot : shots) {
            ok = render(shot, dir, names, QString::fromUtf8(shot.file) + suffix) && ok;
        }
        CAboutDlg about;
        ok = save(about, dir, QStringLiteral("about") + suffix) && ok;
    }
    return ok ? 0 : 1;
}
