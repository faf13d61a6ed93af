#pragma once

#include "preview/workbench_state.h"

#include <QImage>
#include <QString>

#include <functional>

namespace corvamo {

// The previews as the console shows them, and the views that let an author look at pixels
// closely: plain functions over QImage and the picture holders, no widget.

// One colour as the console shows it: each channel cut to the 5 bits picture16 keeps (c >> 3)
// and shown expanded back to 8 bits, (v << 3) | (v >> 2).
QRgb ConsoleColour(QRgb colour);
// Every pixel of the image as the console shows it (RGB32).
QImage ConsoleColours(const QImage& image);

// What Lindquay stores for a BMP, shown: the picture16 rows (width padded to a multiple of 4
// with black), each value expanded to 8 bits a channel. A null image and why, when Lindquay
// refuses the file.
struct StoredPicture {
    QImage image;
    QString refusal;
};
StoredPicture LindquayStored(const QString& bmpPath);

// The holders as the console has them: every main picture in console colours, and every extra
// picture as Lindquay would store it, read from the file extraPath(slot) gives ("" when the skin
// lacks it); a picture Lindquay refuses leaves its slot blank. The presence marks (deskicon's
// height, subBG's width) stay as loading left them, so the same copies are made. Composing from
// these and taking ConsoleColours of the result gives the console's screens.
FormPictures ConsolePictures(const FormPictures& source, const std::function<QString(int extraSlot)>& extraPath);

// The image scaled by a whole factor, nearest neighbour; from 3x on with a pixel grid (the last
// row and column of each pixel darkened or lightened, so that it shows on any colour).
QImage Zoomed(const QImage& image, int factor, bool grid);
// Two views of one screen side by side, `gap` pixels of the given colour between them.
QImage SideBySide(const QImage& left, const QImage& right, int gap, QRgb gapColour);

}  // namespace corvamo
