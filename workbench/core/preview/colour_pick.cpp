#include "preview/colour_pick.h"

namespace corvamo {

namespace {

QColor inverted(QRgb rgb) { return QColor::fromRgb((rgb ^ 0xFFFFFFu) & 0xFFFFFFu); }

// Button value of a press, move or release: 1 left, 2 right; anything else (none, both) keeps.
QColor pick(QRgb shown, int button, const QColor& current) {
    if (button == 1) return QColor::fromRgb(shown & 0xFFFFFFu);
    if (button == 2) return inverted(shown);
    return current;
}

}  // namespace

QColor PickFromPalette(const Picture& palette, int button, int x, int y, const QColor& current) {
    if (x < 0 || y < 0 || x >= palette.width() || y >= palette.height()) return current;
    return pick(palette.pixel(x, y), button, current);
}

QColor PickFromSwatch(const QColor& swatch, int button, const QColor& current) {
    return pick(swatch.rgb(), button, current);
}

}  // namespace corvamo
