#include "builtin_pictures.h"

// Placeholders of the right sizes until the real pictures are drawn.
namespace {
QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
} // namespace

QImage LanguageLabel() { return blank(39, 32); }
QImage FileManagerLabel() { return blank(59, 53); }
QImage NameLabel() { return blank(43, 15); }
QImage SampleEntryLabel() { return blank(49, 9); }
QImage PalettePicture() { return blank(190, 15); }
