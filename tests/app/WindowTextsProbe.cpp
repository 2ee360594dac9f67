// Prints what the window says under the locale it is started in, as one line: its title, Connect,
// its status without a receiver and Qt's own "Select All", each followed by "|".
#include "ApplicationSetup.h"
#include "CTandrelApp.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTextStream>
#include <SettleHandlers.h>
#include <SimulatedPlatform.h>

int main(int argc, char* argv[]) {
    using namespace tandrel;
    QApplication qtApp(argc, argv);
    setUpApplication();
    CTandrelApp app(std::make_unique<sim::SimulatedPlatform>(), std::make_unique<QMessageBoxSink>(),
                    QStringLiteral("tandrel"));
    const auto dialog = app.createMainDialog();
    dialog->OnInitDialog();
    settleHandlers(*dialog);
    QLineEdit field;
    field.setReadOnly(true);
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QTextStream out(stdout);
    for (const QString& text :
         {dialog->windowTitle(), dialog->control(1000)->property("text").toString(),
          dialog->control(1002)->property("text").toString(),
          menu->actions().last()->text().section(u'\t', 0, 0)}) {
        out << text << '|';
    }
    return 0;
}
