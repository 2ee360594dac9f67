// The one place that decides the window's language, from Qt's reading of the user's locale, and
// puts the window's texts and Qt's own in it.
#pragma once

#include <DisplayLanguage.h>

namespace tandrel {

// The language QLocale::system().uiLanguages() asks for.
DisplayLanguage windowLanguage();

// Installs the window's translation and Qt's own for `language`, in place of those installed
// before; windows created from then on speak it. Needs the application object.
void setWindowLanguage(DisplayLanguage language);

} // namespace tandrel
