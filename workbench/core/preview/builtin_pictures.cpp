#include "preview/builtin_pictures.h"

#include "preview/workbench_state.h"

#include <QColor>

#include <algorithm>
#include <cmath>

// The 1-bit pictures are drawn by pictures/draw_labels.py from its pixel fonts.
#include "pictures/file_manager_label.xbm"
#include "pictures/language_label.xbm"
#include "pictures/name_label_mask.xbm"
#include "pictures/sample_entry_label.xbm"

namespace corvamo {

namespace {

// XBM rows are padded to whole bytes, least significant bit leftmost; a set bit is ink (black).
QImage fromXbm(const unsigned char* bits, int width, int height) {
    const QImage view(bits, width, height, (width + 7) / 8, QImage::Format_MonoLSB);
    QImage image = view.copy();  // own the pixels: the view points into static data
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    return image;
}

}  // namespace

QImage LanguageLabel() { return fromXbm(language_label_bits, language_label_width, language_label_height); }

QImage FileManagerLabel() {
    return fromXbm(file_manager_label_bits, file_manager_label_width, file_manager_label_height);
}

QImage SampleEntryLabel() {
    return fromXbm(sample_entry_label_bits, sample_entry_label_width, sample_entry_label_height);
}

QImage NameLabel() {
    const QImage mask = fromXbm(name_label_mask_bits, name_label_mask_width, name_label_mask_height);
    QImage image(mask.size(), QImage::Format_RGB888);
    image.fill(QColor(24, 160, 160));
    // Letters in white, their lower half a shade darker, as the loader's own title bar draws them.
    const int lowerHalf = 8;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.pixelIndex(x, y) == 1)
                image.setPixel(x, y, y < lowerHalf ? qRgb(255, 255, 255) : qRgb(248, 248, 248));
    return image;
}

QImage PalettePicture() {
    constexpr int width = 190, height = 15;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        // Each row narrows the span between the strongest and weakest channel towards grey.
        const double t = double(y) / (height - 1);
        const double high = 253.0 + (137.0 - 253.0) * t;
        const double low = 17.0 + (118.0 - 17.0) * t;
        for (int x = 0; x < width; ++x) {
            const double hue = 6.0 * x / width;  // 0 red, 1 yellow, 2 green, 3 cyan, 4 blue, 5 magenta
            const int sector = static_cast<int>(hue);
            const double f = hue - sector;
            const double rising = low + (high - low) * f, falling = high - (high - low) * f;
            double r = 0, g = 0, b = 0;
            switch (sector) {
                case 0:
                    r = high, g = rising, b = low;
                    break;
                case 1:
                    r = falling, g = high, b = low;
                    break;
                case 2:
                    r = low, g = high, b = rising;
                    break;
                case 3:
                    r = low, g = falling, b = high;
                    break;
                case 4:
                    r = rising, g = low, b = high;
                    break;
                default:
                    r = high, g = low, b = falling;
                    break;
            }
            const auto byte = [](double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); };
            image.setPixel(x, y, qRgb(byte(r), byte(g), byte(b)));
        }
    }
    return image;
}

void SeatBuiltinPictures(FormPictures& pictures) {
    const auto seat = [](Picture& holder, const QImage& picture) {
        holder = Picture(picture.width(), picture.height());
        holder.setPicture(picture);
    };
    seat(pictures.Picture7, PalettePicture());
    seat(pictures.Picture11, LanguageLabel());
    seat(pictures.Picture12, FileManagerLabel());
    seat(pictures.Picture13, NameLabel());
    seat(pictures.Picture14, SampleEntryLabel());
}

}  // namespace corvamo
