#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class QImageReader;

namespace corvamo {

// A picture holder or canvas of the workbench: a persistent drawing surface of the holder's own
// size, plus the picture last put into it. Plain data over QImage, so that the compositor, the
// exports and the tests need no widget; the visible boxes of Form1 only paint image().
class Picture {
public:
    // Transparent copies leave out source pixels of exactly this colour.
    static constexpr QRgb KeyColour = 0xFFFFFFFFu;

    // A holder that sizes itself takes the size of every picture put into it (the skin slots);
    // a canvas keeps its size (the previews and export canvases).
    explicit Picture(int width = 0, int height = 0, bool sizesItself = false);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    // Keeps what fits; new area shows the back colour.
    void setSize(int width, int height);
    void setWidth(int width) { setSize(width, height()); }
    void setHeight(int height) { setSize(width(), height); }

    // Clears the surface to the colour.
    void setBackColor(const QColor& colour);

    // Puts a picture in: the surface shows it at (0, 0), unscaled, over the back colour. A null
    // image is the blank picture: it clears the holder, which keeps its size.
    void setPicture(const QImage& picture);
    void clear() { setPicture(QImage()); }
    // Loads a JPEG or BMP file; false (holder unchanged) when it cannot be read.
    bool load(const QString& path);
    // The same for a file's bytes held in memory.
    bool loadData(const QByteArray& bytes);
    // Set background: the source's picture at (0, 0) of this canvas.
    void setBackground(const Picture& source) { setPicture(source.picture_); }
    const QImage& picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }

    // The persistent surface, width() x height(), Format_RGB32.
    const QImage& image() const { return image_; }
    // RGB of the surface pixel; 0 outside.
    QRgb pixel(int x, int y) const;

    // 1:1 rectangle copies from a holder or canvas (also this one) at (sx, sy) to (dx, dy).
    // Parts outside the destination are cut off; parts outside the source's surface are not
    // copied (the destination keeps its pixels there).
    void copy(int dx, int dy, int w, int h, const Picture& source, int sx, int sy);
    // As copy, but source pixels of KeyColour leave the destination unchanged.
    void copyTransparent(int dx, int dy, int w, int h, const Picture& source, int sx, int sy);

    // Writes the whole surface as a BMP file.
    bool saveBmp(const QString& path) const;

private:
    bool read(QImageReader& reader);
    void blit(int dx, int dy, int w, int h, const Picture& source, int sx, int sy, bool keyed);
    void repaint();

    QImage picture_;
    QImage image_;
    QColor back_{Qt::white};
    bool sizesItself_;
};

}  // namespace corvamo
