#pragma once

#include <QImage>
#include <QString>

namespace corvamo {

// A 3 x 6 pixel font of the printable ASCII characters, built in so that pictures with text come
// out the same on every machine, with or without fonts installed. Each character takes a cell of
// 4 x 7 pixels times scale; characters outside the font show as a box.
namespace PixelFont {
constexpr int CellWidth = 4, CellHeight = 7;

int TextWidth(const QString& text, int scale = 1);
// Draws text with the top-left corner of its first cell at (x, y); what falls outside is cut off.
void Draw(QImage& image, int x, int y, const QString& text, QRgb colour, int scale = 1);
}  // namespace PixelFont

}  // namespace corvamo
