// tandrel-screenshot: renders the main window in each connection state and the About box to PNG
// files, over a simulated receiver, so the window can be looked at without a display.
#include "CAboutDlg.h"
#include "CTandrelApp.h"

#include <Presentation.h>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTextStream>
#include <SessionState.h>
#include <SimulatedPlatform.h>
#include <Texts.h>
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
    const char* file;
    std::optional<std::uint8_t> linkStatus; // none: no receiver plugged in
    std::int32_t connectionState;
    std::u16string_view status;
    bool withFields;
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

bool render(const Shot& shot, const QDir& dir) {
    auto platform = std::make_unique<sim::SimulatedPlatform>();
    if (shot.linkStatus) {
        platform->addReceiver();
        platform->setAnswer(sim::makeAnswer({.firmwareMajor = 1,
                                             .firmwareMinor = 5,
                                             .switchCode = 1,
                                             .colourCode = 1,
                                             .modelCode = 0x0082}));
        platform->setLinkStatus(*shot.linkStatus);
    }
    CTandrelApp app(std::move(platform), std::make_unique<SilentSink>(), QStringLiteral("tandrel"));
    auto dialog = app.createMainDialog();
    app.session().ConnectionState = shot.connectionState;
    dialog->setStatus(toQString(shot.status));
    if (shot.withFields) {
        dialog->modelText = QStringLiteral("V540N");
        dialog->colourText = QStringLiteral("曜石黑");
        dialog->switchText = QStringLiteral("红轴");
        dialog->firmwareText = QStringLiteral("1.05");
        dialog->UpdateData(false);
    }
    return save(*dialog, dir, QString::fromUtf8(shot.file));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tandrel-screenshot OUTPUT-DIRECTORY\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << dir.path() << '\n';
        return 1;
    }
    QApplication::setWindowIcon(applicationIcon());

    const Shot shots[] = {
        {"window-no-receiver.png", std::nullopt, connection::kNotConnected, text::kNoReceiver,
         false},
        {"window-not-connected.png", 0, connection::kNotConnected, text::kNotConnected, false},
        {"window-connected.png", 3, connection::kConnected, text::kConnected, true},
        {"window-pairing.png", 1, connection::kPairing, text::kPairingSixDots, false},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        ok = render(shot, dir) && ok;
    }
    CAboutDlg about;
    ok = save(about, dir, QStringLiteral("about.png")) && ok;
    return ok ? 0 : 1;
}
