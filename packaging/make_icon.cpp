// make_icon OUTDIR: draws the application icon, a loader cartridge wearing a skin, into
// OUTDIR/hicolor/<N>x<N>/apps/corvamo.png for each theme size and as
// OUTDIR/hicolor/scalable/apps/corvamo.svg, both from one list of shapes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

constexpr double kCanvas = 256;  // the shapes' coordinate space

struct Shape {
    std::vector<QPointF> points;  // a polygon, or two corners of a rectangle when radius >= 0
    double radius;                // < 0: polygon
    const char* colour;
};

std::vector<Shape> IconShapes() {
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

void Draw(QPainter& painter, const Shape& shape) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(shape.colour));
    if (shape.radius < 0) {
        painter.drawPolygon(QPolygonF(QList<QPointF>(shape.points.begin(), shape.points.end())));
    } else {
        painter.drawRoundedRect(QRectF(shape.points[0], shape.points[1]), shape.radius, shape.radius);
    }
}

QString Svg(const std::vector<Shape>& shapes) {
    QString svg;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    for (const Shape& shape : shapes) {
        if (shape.radius < 0) {
            out << "  <polygon points=\"";
            for (const QPointF& p : shape.points) out << p.x() << ',' << p.y() << ' ';
            out << "\" fill=\"" << shape.colour << "\"/>\n";
        } else {
            const QRectF r(shape.points[0], shape.points[1]);
            out << "  <rect x=\"" << r.x() << "\" y=\"" << r.y() << "\" width=\"" << r.width() << "\" height=\""
                << r.height() << "\" rx=\"" << shape.radius << "\" fill=\"" << shape.colour << "\"/>\n";
        }
    }
    out << "</svg>\n";
    return svg;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTDIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    const std::vector<Shape> shapes = IconShapes();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / kCanvas, size / kCanvas);
        for (const Shape& shape : shapes) Draw(painter, shape);
        painter.end();
        const QString path = root + QStringLiteral("%1x%1/apps/corvamo.png").arg(size);
        if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString svg = root + QStringLiteral("scalable/apps/corvamo.svg");
    if (!WriteFile(svg, Svg(shapes).toUtf8())) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(svg));
        return 1;
    }
    return 0;
}
