#include "author/skin_template.h"

#include "author/pixel_font.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "preview/compositor.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <cerrno>
#include <cstring>

namespace corvamo {

namespace {

constexpr QRgb Ink = 0x000000, Grid = 0x9098A8, FineGrid = 0xC0C8D0, Back = 0xE0E4EC, TileEdge = 0x6070A0;
constexpr int Step = 8;  // the grid's spacing; every fourth line is darker

// The lines of text from the top-left corner, each at scale 2 where it fits and the picture is
// large, else at scale 1; a line that does not fit at all is left out.
void DrawLines(QImage& image, const QStringList& lines) {
    int y = 2;
    for (const QString& line : lines) {
        const int scale = image.height() >= 80 && PixelFont::TextWidth(line, 2) + 4 <= image.width() ? 2 : 1;
        if (PixelFont::TextWidth(line, scale) + 2 > image.width() || y + PixelFont::CellHeight * scale > image.height())
            continue;
        PixelFont::Draw(image, 2, y, line, Ink, scale);
        y += PixelFont::CellHeight * scale;
    }
}

}  // namespace

QImage TemplatePicture(const SkinFileRole& role) {
    QImage image(role.size, QImage::Format_RGB888);
    image.fill(QColor::fromRgb(Back));
    QPainter painter(&image);
    for (int x = Step; x < image.width(); x += Step)
        painter.fillRect(x, 0, 1, image.height(), QColor::fromRgb(x % (4 * Step) ? FineGrid : Grid));
    for (int y = Step; y < image.height(); y += Step)
        painter.fillRect(0, y, image.width(), 1, QColor::fromRgb(y % (4 * Step) ? FineGrid : Grid));
    painter.setPen(QColor::fromRgb(Grid));
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    if (role.extraSlot == DeskIcon) {
        // A column of square tiles: each shows its edge and, at its bottom right, its number.
        const int tile = role.size.width();
        painter.setPen(QColor::fromRgb(TileEdge));
        for (int n = 0; n < kDeskIconTiles; ++n) painter.drawRect(0, n * tile, tile - 1, tile - 1);
        painter.end();
        for (int n = 0; n < kDeskIconTiles; ++n)
            PixelFont::Draw(image, tile - 2 - PixelFont::TextWidth(QString::number(n)), (n + 1) * tile - 7,
                            QString::number(n), TileEdge);
    }
    if (painter.isActive()) painter.end();
    // A name too long for a small picture is given without its extension.
    const QString name =
        PixelFont::TextWidth(role.name) + 2 <= image.width() ? role.name : role.name.section('.', 0, 0);
    QStringList lines{name, SizeText(role.size)};
    if (role.transparent)
        lines << QStringLiteral("pure white") << QStringLiteral("(255,255,255)") << QStringLiteral("is see-through");
    DrawLines(image, lines);
    return image;
}

QString TemplateReadme() {
    QString text = QStringLiteral(
        "A new skin, made by Corvamo from its template.\n"
        "\n"
        "Paint over each picture and keep its size: the previews, and the loaders, draw each from its\n"
        "top-left corner at the size given here. Where a picture is drawn transparently, pure white\n"
        "(255,255,255) is see-through and every other colour, near-white included, is drawn.\n"
        "Main pictures may be given as .bmp or as .jpg; the BMP wins when both are there.\n"
        "Check the skin with Skin > Check skin (F7) or Corvamo --check FOLDER, and share it with\n"
        "Skin > Save skin as zip or Corvamo --pack-skin FOLDER OUT.zip.\n"
        "\n");
    int width = 0;
    for (const SkinFileRole& role : SkinLayout()) width = std::max(width, int(role.name.size()));
    for (const SkinFileRole& role : SkinLayout()) {
        const QString size =
            role.fixed()
                ? SizeText(role.size) + (role.transparent ? QStringLiteral(", white is see-through") : QString())
                : QStringLiteral("size not fixed by the previews");
        text += role.name.leftJustified(width + 2) + role.shows + QStringLiteral("; ") + size + '\n';
    }
    return text;
}

Status WriteSkinTemplate(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return Status::Failure(QStringLiteral("%1 is a file, not a folder; no skin was written.").arg(folder));
    if (info.isDir() && !QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return Status::Failure(QStringLiteral("%1 is not empty; a new skin needs a new or empty folder.").arg(folder));
    // The folders made here, outermost first, so that a failure can take them all back.
    QStringList made;
    for (QString path = QDir::cleanPath(info.absoluteFilePath()); !QFileInfo(path).exists() && path != "/";
         path = QFileInfo(path).path())
        made.prepend(path);
    if (!QDir().mkpath(folder)) {
        for (auto it = made.crbegin(); it != made.crend(); ++it) QDir().rmdir(*it);
        return Status::Failure(QStringLiteral("The folder %1 could not be created.").arg(folder));
    }
    QStringList written;
    const auto undo = [&](const QString& what, const QString& why) {
        for (const QString& path : written) QFile::remove(path);
        for (auto it = made.crbegin(); it != made.crend(); ++it) QDir().rmdir(*it);
        return Status::Failure(QStringLiteral("%1 could not be written (%2); no skin was left there.").arg(what, why));
    };
    // Each file is made new and written through its own descriptor: a file or link that appears
    // meanwhile under its name fails the command and is left as it is.
    const auto writeNew = [&](const QString& path, const QByteArray& bytes) {
        if (WriteNewFile(path, bytes.constData(), std::size_t(bytes.size()))) {
            written << path;
            return QString();
        }
        return errno == EEXIST ? QStringLiteral("it appeared meanwhile") : QString::fromLocal8Bit(std::strerror(errno));
    };
    int pictures = 0;
    for (const SkinFileRole& role : SkinLayout()) {
        // One form of each main picture: the BMP, which the builder and the loader both take.
        if (!role.fixed() || role.name.endsWith(QLatin1String(".jpg"))) continue;
        const QString path = WithSlash(folder) + role.name;
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        if (!TemplatePicture(role).save(&buffer, "BMP")) return undo(path, QStringLiteral("no picture"));
        if (const QString why = writeNew(path, bmp); !why.isEmpty()) return undo(path, why);
        ++pictures;
    }
    const QString readme = WithSlash(folder) + QStringLiteral("README.txt");
    if (const QString why = writeNew(readme, TemplateReadme().toUtf8()); !why.isEmpty()) return undo(readme, why);
    return Status::Success(
        QStringLiteral("%1: new skin written (%2 pictures and README.txt).").arg(folder).arg(pictures));
}

}  // namespace corvamo
