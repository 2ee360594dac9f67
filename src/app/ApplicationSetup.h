// What the application sets up in Qt before its first window: its names on the desktop and Qt's
// own texts in the user's language.
#pragma once

namespace tandrel {

// Names the application to the desktop and loads Qt's translations; call it before the first
// window is created, since the window system reads the names when a window is.
void setUpApplication();

// Installs Qt's own translations for the user's locale, so the texts Qt supplies (a message
// box's button, the edits' context menu) follow the desktop's language as the platform's own
// would. False when Qt has none for that locale; Qt's English texts stay then.
bool loadQtTranslations();

} // namespace tandrel
