// What the application sets up in Qt before its first window: its names on the desktop and its
// language, the user's.
#pragma once

namespace tandrel {

// Names the application to the desktop and installs the translations of the user's language; call
// it before the first window is created, since the window system reads the names when a window is
// and the window translates its texts as it is built.
void setUpApplication();

} // namespace tandrel
