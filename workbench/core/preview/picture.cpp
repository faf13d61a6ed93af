#include "preview/picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace corvamo {

Picture::Picture(int width, int height, bool sizesItself)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32), sizesItself_(sizesItself) {
    image_.fill(back_);
}

void Picture::setSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == image_.width() && height == image_.height()) return;
    QImage grown(width, height, QImage::Format_RGB32);
    grown.fill(back_);
    QPainter(&grown).drawImage(0, 0, image_);
    image_ = std::move(grown);
}

void Picture::setBackColor(const QColor& colour) {
    back_ = colour;
    picture_ = QImage();
    image_.fill(back_);
}

void Picture::setPicture(const QImage& picture) {
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    if (sizesItself_ && !picture_.isNull() && picture_.size() != image_.size())
        image_ = QImage(picture_.size(), QImage::Format_RGB32);
    repaint();
}

void Picture::repaint() {
    image_.fill(back_);
    if (!picture_.isNull() && !image_.isNull()) QPainter(&image_).drawImage(0, 0, picture_);
}

bool Picture::load(const QString& path) {
    QImageReader reader(path);
    return read(reader);
}

bool Picture::loadData(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return read(reader);
}

bool Picture::read(QImageReader& reader) {
    reader.setAutoTransform(false);
    // Read into a cleared picture of the announced size: a truncated file leaves its missing rows
    // unwritten, and they must show as black, not as whatever memory held.
    QImage loaded;
    if (const QSize size = reader.size(); size.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
        loaded = QImage(size, reader.imageFormat());
        loaded.fill(0);
    }
    if (!reader.read(&loaded) || loaded.isNull()) return false;
    setPicture(loaded);
    return true;
}

QRgb Picture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    return image_.pixel(x, y) & 0xFFFFFFu;
}

void Picture::copy(int dx, int dy, int w, int h, const Picture& source, int sx, int sy) {
    blit(dx, dy, w, h, source, sx, sy, false);
}

void Picture::copyTransparent(int dx, int dy, int w, int h, const Picture& source, int sx, int sy) {
    blit(dx, dy, w, h, source, sx, sy, true);
}

void Picture::blit(int dx, int dy, int w, int h, const Picture& source, int sx, int sy, bool keyed) {
    // Clip against both surfaces: move the rectangle's corners inside the source and destination.
    const auto clipStart = [&](int& s, int& d, int& len) {
        const int skip = std::max({0, -s, -d});
        s += skip;
        d += skip;
        len -= skip;
    };
    clipStart(sx, dx, w);
    clipStart(sy, dy, h);
    w = std::min({w, source.width() - sx, width() - dx});
    h = std::min({h, source.height() - sy, height() - dy});
    if (w <= 0 || h <= 0) return;

    // A copy within one canvas reads the area as it was before the copy.
    const QImage from = (&source == this) ? image_.copy(sx, sy, w, h) : source.image_;
    if (&source == this) sx = sy = 0;
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(from.constScanLine(sy + y)) + sx;
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(dy + y)) + dx;
        if (!keyed) {
            std::copy(in, in + w, out);
            continue;
        }
        for (int x = 0; x < w; ++x)
            if ((in[x] | 0xFF000000u) != KeyColour) out[x] = in[x];
    }
}

bool Picture::saveBmp(const QString& path) const { return image_.save(path, "BMP"); }

}  // namespace corvamo
