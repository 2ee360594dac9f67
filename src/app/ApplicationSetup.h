// What the application sets up in Qt before its first window: its names on the desktop and Qt's
// own texts in the user's language.
#pragma once

namespace tandrel {

// Names the application to the desktop and loads Qt's translations; call it before the first
// window is created, since the window system reads the names when a window is.
void setUpApplication();

} // namespace tandrel
