// Dialog units: layout measured in fractions of the template font, mapped to pixels the way
// Windows dialog templates are, so the window keeps its proportions with any font.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace tandrel {

struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct BaseUnits {
    int horizontal = 0; // pixels per 4 horizontal dialog units
    int vertical = 0;   // pixels per 8 vertical dialog units
};

constexpr double kTemplateFontPoints = 9.0;

// The font the templates are laid out in: the desktop's default sans serif at 9 points.
QFont templateFont();

// Horizontal: the rounded average advance of A-Z and a-z; vertical: the font's height.
BaseUnits baseUnitsOf(const QFont& font);

// Scales with rounding to the nearest pixel, as MulDiv does.
int unitsToPixels(int units, int base, int unitsPerBase);
QRect toPixels(const DialogRect& rect, BaseUnits base);
QSize toPixels(int width, int height, BaseUnits base);

} // namespace tandrel
