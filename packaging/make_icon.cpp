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

#include "app_icon.h"

#include <cstdio>
#include <vector>

namespace {

using namespace app_icon;

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
    for (const int size : kSizes) {
        const QImage image = IconImage(size);
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
