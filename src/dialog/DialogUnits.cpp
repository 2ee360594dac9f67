// Dialog-unit conversion.
#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <cmath>

namespace tandrel {
namespace {

constexpr int kHorizontalUnitsPerBase = 4;
constexpr int kVerticalUnitsPerBase = 8;
constexpr int kAlphabetLetters = 26;

} // namespace

QFont templateFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kTemplateFontPoints);
    return font;
}

BaseUnits baseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Half of the width of 26 letters, rounded half up: the average over all 52.
    return {(letters / kAlphabetLetters + 1) / 2, metrics.height()};
}

int unitsToPixels(int units, int base, int unitsPerBase) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / unitsPerBase));
}

QRect toPixels(const DialogRect& rect, BaseUnits base) {
    const int left = unitsToPixels(rect.x, base.horizontal, kHorizontalUnitsPerBase);
    const int top = unitsToPixels(rect.y, base.vertical, kVerticalUnitsPerBase);
    return {left, top, unitsToPixels(rect.width, base.horizontal, kHorizontalUnitsPerBase),
            unitsToPixels(rect.height, base.vertical, kVerticalUnitsPerBase)};
}

QSize toPixels(int width, int height, BaseUnits base) {
    return {unitsToPixels(width, base.horizontal, kHorizontalUnitsPerBase),
            unitsToPixels(height, base.vertical, kVerticalUnitsPerBase)};
}

} // namespace tandrel
