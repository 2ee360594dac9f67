// The yardstick for the window's start-up: an empty Qt dialog of the same size, title and fonts,
// showing one line in each of the window's two fonts so that the same font files are loaded.
#include <DialogTemplate.h>
#include <DialogUnits.h>
#include <Presentation.h>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <Texts.h>
#include <algorithm>

int main(int argc, char* argv[]) {
    using namespace tandrel;
    QApplication app(argc, argv);
    QDialog dialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setFont(templateFont());
    dialog.resize(toPixels(kMainDialog.width, kMainDialog.height, baseUnitsOf(dialog.font())));
    dialog.setWindowTitle(QString::fromUtf8(text::kWindowTitle));

    const BaseUnits base = baseUnitsOf(dialog.font());
    const auto placeAs = [&](QLabel& label, int id) {
        const auto& controls = kMainDialog.controls;
        const auto at = std::find_if(controls.begin(), controls.end(),
                                     [id](const ControlDescriptor& c) { return c.id == id; });
        label.setGeometry(toPixels(at->rect, base));
    };
    QLabel label(toQString(u"型号："), &dialog);
    label.setFont(labelFont());
    placeAs(label, ctl::kModelLabel);
    QLabel value(toQString(u"V540N 曜石黑 红轴"), &dialog);
    value.setFont(valueFont());
    placeAs(value, ctl::kModel);

    dialog.exec();
    return 0;
}
