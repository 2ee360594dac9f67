// The application's name as the user sees it in message box captions.
#pragma once

#include <QString>

namespace tandrel {

// The executable's file name without its extension: "/opt/x/Tandrel.exe" gives "Tandrel". Only
// the last dot starts the extension, and a leading dot does not start one.
QString applicationNameFromExecutable(const QString& executablePath);

} // namespace tandrel
