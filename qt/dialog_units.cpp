#include "qt/dialog_units.h"

#include <QFontMetrics>

namespace vorlix::qt {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kDialogFontFamily[] = "Liberation Sans";
constexpr double kDialogPointSize = 7.5;

int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

BaseUnits baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    return {(width / 26 + 1) / 2, metrics.height()};
}

QRect toPixels(const frame::Rect& place, BaseUnits units) {
    const int left = mulDiv(place.x, units.x, 4);
    const int top = mulDiv(place.y, units.y, 8);
    return {left, top, mulDiv(place.x + place.w, units.x, 4) - left,
            mulDiv(place.y + place.h, units.y, 8) - top};
}

QFont dialogFont() {
    QFont font(QString::fromLatin1(kDialogFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kDialogPointSize);
    return font;
}

}  // namespace vorlix::qt
