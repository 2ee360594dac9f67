// The window's texts in the language of the translation installed.
#include "Texts.h"

#include <QCoreApplication>

namespace tandrel {

QString translated(const char* source) {
    return QCoreApplication::translate("Tandrel", source);
}

QString fieldText(std::u16string_view text) {
    const QString shown = toQString(text);
    for (const char* fallback : text::kFallbackTexts) {
        if (shown == QString::fromUtf8(fallback)) {
            return translated(fallback);
        }
    }
    return shown;
}

} // namespace tandrel
