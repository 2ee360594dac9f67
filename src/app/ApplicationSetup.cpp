// Naming the application to the desktop and putting it in the user's language.
#include "ApplicationSetup.h"

#include <QGuiApplication>
#include <WindowLanguage.h>

namespace tandrel {

void setUpApplication() {
    // X11 window managers see the application name as the window's class, which the desktop
    // entry's StartupWMClass names; it must not change with the executable's file name.
    QCoreApplication::setApplicationName(QStringLiteral("tandrel"));
    // The desktop entry's id: the app id on Wayland, by which docks find the launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.tandrel.Tandrel"));
    setWindowLanguage(windowLanguage());
}

} // namespace tandrel
