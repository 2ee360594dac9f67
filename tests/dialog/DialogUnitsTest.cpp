// Dialog units to pixels: rounding and the base units of a font.
#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <gtest/gtest.h>

namespace tandrel {
namespace {

TEST(DialogUnits, ScaleByQuartersAndEighthsRoundingToNearest) {
    struct Case {
        DialogRect units;
        BaseUnits base;
        QRect pixels;
    };
    const Case cases[] = {
        // 45*7/4 = 78.75, 19*14/8 = 33.25, 80*7/4 = 140, 22*14/8 = 38.5 (half rounds up)
        {{45, 19, 80, 22}, {7, 14}, {79, 33, 140, 39}},
        {{0, 0, 4, 8}, {6, 13}, {0, 0, 6, 13}},
        {{1, 1, 2, 3}, {6, 13}, {2, 2, 3, 5}}, // 1.5 -> 2, 1.625 -> 2, 4.875 -> 5
        {{296, 180, 0, 0}, {8, 16}, {592, 360, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.units.x << ',' << c.units.y);
        EXPECT_EQ(toPixels(c.units, c.base), c.pixels);
    }
}

TEST(DialogUnits, BaseUnitsAreTheMeanLetterWidthAndTheFontHeight) {
    for (const double points : {9.0, 18.0}) {
        QFont font = templateFont();
        font.setPointSizeF(points);
        const QFontMetrics metrics(font);
        int sum = 0;
        for (const QChar letter :
             QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) {
            sum += metrics.horizontalAdvance(letter);
        }
        const BaseUnits base = baseUnitsOf(font);
        SCOPED_TRACE(points);
        EXPECT_NEAR(base.horizontal, sum / 52.0, 1.0);
        EXPECT_EQ(base.vertical, metrics.height());
    }
}

} // namespace
} // namespace tandrel
