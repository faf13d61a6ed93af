#pragma once

// The application icon, a loader cartridge wearing a skin, as one list of shapes: make_icon draws
// the installed theme icons from it, and the window draws its own icon from the same shapes, so
// the task bar shows the same picture with or without the icon theme installed.

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <vector>

namespace app_icon {

constexpr double kCanvas = 256;  // the shapes' coordinate space

struct Shape {
    std::vector<QPointF> points;  // a polygon, or two corners of a rectangle when radius >= 0
    double radius;                // < 0: polygon
    const char* colour;
};

inline std::vector<Shape> IconShapes() {
    std::vector<Shape> shapes = {
        {{{8, 8}, {248, 248}}, 48, "#27406b"},                                     // tile
        {{{60, 36}, {172, 36}, {196, 60}, {196, 220}, {60, 220}}, -1, "#dfe3e8"},  // cartridge
        {{{60, 200}, {196, 200}, {196, 220}, {60, 220}}, -1, "#b9c0c9"},           // its lip
        {{{78, 66}, {178, 170}}, 10, "#1c2333"},                                   // label frame
        {{{86, 74}, {170, 104}}, 3, "#e4572e"},                                    // skin: upper screen
        {{{86, 108}, {170, 134}}, 3, "#f3a712"},                                   // divider and menu
        {{{86, 138}, {126, 162}}, 3, "#3fa34d"},                                   // lower screen swatches
        {{{130, 138}, {170, 162}}, 3, "#2e86de"},
    };
    for (int i = 0; i < 6; ++i) {  // the contacts
        const double x = 80 + i * 17;
        shapes.push_back({{{x, 204}, {x + 10, 224}}, 2, "#c9a227"});
    }
    return shapes;
}

inline void Draw(QPainter& painter, const Shape& shape) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(shape.colour));
    if (shape.radius < 0) {
        painter.drawPolygon(QPolygonF(QList<QPointF>(shape.points.begin(), shape.points.end())));
    } else {
        painter.drawRoundedRect(QRectF(shape.points[0], shape.points[1]), shape.radius, shape.radius);
    }
}

// The icon at size x size pixels, on transparency.
inline QImage IconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kCanvas, size / kCanvas);
    for (const Shape& shape : IconShapes()) Draw(painter, shape);
    return image;
}

inline constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The window's icon: the theme's "corvamo" when installed, else the same shapes drawn here.
inline QIcon WindowIcon() {
    QIcon drawn;
    for (const int size : kSizes) drawn.addPixmap(QPixmap::fromImage(IconImage(size)));
    return QIcon::fromTheme(QStringLiteral("corvamo"), drawn);
}

}  // namespace app_icon
