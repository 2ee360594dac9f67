// Naming the application to the desktop and loading Qt's translations.
#include "ApplicationSetup.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace tandrel {
namespace {

// The texts Qt supplies (a message box's button, the edits' context menu) follow the desktop's
// language, as the platform's own would; without a catalogue for the locale they stay English.
void loadQtTranslations() {
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    // qtbase holds every text Qt Widgets supplies; the other catalogs are for modules not used.
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get())) {
        translator.release(); // the application owns it now
    }
}

} // namespace

void setUpApplication() {
    // X11 window managers see the application name as the window's class, which the desktop
    // entry's StartupWMClass names; it must not change with the executable's file name.
    QCoreApplication::setApplicationName(QStringLiteral("tandrel"));
    // The desktop entry's id: the app id on Wayland, by which docks find the launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.tandrel.Tandrel"));
    loadQtTranslations();
}

} // namespace tandrel
