// Deriving the application name from the executable.
#include "AppName.h"

namespace tandrel {

QString applicationNameFromExecutable(const QString& executablePath) {
    const QString fileName = executablePath.mid(executablePath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

} // namespace tandrel
