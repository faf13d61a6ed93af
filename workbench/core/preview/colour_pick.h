#pragma once

#include "preview/picture.h"

#include <QColor>

namespace corvamo {

// The divider colour after a mouse event over the palette (Picture7): button is 1 left, 2 right,
// their sum when both are held; x and y in the palette's drawing coordinates. Returns current when
// the event changes nothing.
QColor PickFromPalette(const Picture& palette, int button, int x, int y, const QColor& current);
// The same for a quick swatch showing swatch.
QColor PickFromSwatch(const QColor& swatch, int button, const QColor& current);

}  // namespace corvamo
