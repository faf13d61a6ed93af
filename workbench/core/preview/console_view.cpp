#include "preview/console_view.h"

#include "bmp_format.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <vector>

namespace corvamo {

namespace {

int Expand5(int v) { return (v << 3) | (v >> 2); }

QRgb Expanded(std::uint16_t v) { return qRgb(Expand5(v & 0x1F), Expand5((v >> 5) & 0x1F), Expand5((v >> 10) & 0x1F)); }

void SetStored(Picture& slot, const QImage& image) {
    // setPicture sizes a holder that sizes itself; a blank keeps the size loading gave it.
    slot.setPicture(image);
}

}  // namespace

QRgb ConsoleColour(QRgb c) { return qRgb(Expand5(qRed(c) >> 3), Expand5(qGreen(c) >> 3), Expand5(qBlue(c) >> 3)); }

QImage ConsoleColours(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) line[x] = ConsoleColour(line[x]);
    }
    return out;
}

StoredPicture LindquayStored(const QString& bmpPath) {
    StoredPicture stored;
    QFile file(bmpPath);
    if (!QFileInfo(bmpPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        stored.refusal = QStringLiteral("cannot open the bitmap");
        return stored;
    }
    std::array<std::uint8_t, 54> header{};
    const qint64 got = file.read(reinterpret_cast<char*>(header.data()), qint64(header.size()));
    const lindquay::BmpFormat format =
        lindquay::ParseBmpHeader(header.data(), got < 0 ? 0 : std::size_t(got), std::uint64_t(file.size()));
    if (!format.refusal.empty()) {
        stored.refusal = QString::fromStdString(format.refusal);
        return stored;
    }
    std::array<std::uint8_t, 1024> palette{};
    if (format.depth == 8 && file.seek(14 + qint64(format.infoSize)))
        file.read(reinterpret_cast<char*>(palette.data()), qint64(palette.size()));
    QImage image(int(format.width4), int(format.rows), QImage::Format_RGB32);
    std::vector<std::uint8_t> row(format.rowLength), converted(std::size_t{format.width4} * 2);
    for (std::int64_t fileRow = 0; fileRow < format.rows; ++fileRow) {
        if (!file.seek(qint64(format.pixelOffset) + fileRow * qint64(format.rowLength)) ||
            file.read(reinterpret_cast<char*>(row.data()), qint64(row.size())) != qint64(row.size())) {
            stored.refusal = QStringLiteral("read error in the bitmap's pixels");
            return stored;
        }
        lindquay::ConvertRow(format, row.data(), palette.data(), converted.data());
        const int y = int(format.bottomUp ? format.rows - 1 - fileRow : fileRow);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::uint32_t x = 0; x < format.width4; ++x)
            line[x] = Expanded(std::uint16_t(converted[2 * x] | converted[2 * x + 1] << 8));
    }
    stored.image = std::move(image);
    return stored;
}

FormPictures ConsolePictures(const FormPictures& source, const std::function<QString(int)>& extraPath) {
    FormPictures console = source;
    for (Picture& slot : console.Picture1)
        if (slot.hasPicture()) SetStored(slot, ConsoleColours(slot.picture()));
    for (int i = 0; i < int(console.Picture5.size()); ++i) {
        Picture& slot = console.Picture5[size_t(i)];
        if (!slot.hasPicture()) continue;
        const QString path = extraPath ? extraPath(i) : QString();
        SetStored(slot, path.isEmpty() ? QImage() : LindquayStored(path).image);
    }
    return console;
}

QImage Zoomed(const QImage& image, int factor, bool grid) {
    const QImage in = image.convertToFormat(QImage::Format_RGB32);
    if (factor <= 1) return in;
    QImage out(in.width() * factor, in.height() * factor, QImage::Format_RGB32);
    const bool lines = grid && factor >= 3;
    for (int y = 0; y < out.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(in.constScanLine(y / factor));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        const bool rowEdge = lines && y % factor == factor - 1;
        for (int x = 0; x < out.width(); ++x) {
            QRgb c = from[x / factor];
            if (rowEdge || (lines && x % factor == factor - 1)) {
                // Halfway to black on light pixels, halfway to white on dark ones.
                const bool light = qGray(c) >= 128;
                const auto mix = [light](int v) { return light ? v / 2 : (v + 255) / 2; };
                c = qRgb(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)));
            }
            to[x] = c;
        }
    }
    return out;
}

QImage SideBySide(const QImage& left, const QImage& right, int gap, QRgb gapColour) {
    QImage out(left.width() + gap + right.width(), std::max(left.height(), right.height()), QImage::Format_RGB32);
    out.fill(gapColour);
    const auto put = [&out](const QImage& part, int x0) {
        const QImage in = part.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < in.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(in.constScanLine(y)), in.width(),
                        reinterpret_cast<QRgb*>(out.scanLine(y)) + x0);
    };
    put(left, 0);
    put(right, left.width() + gap);
    return out;
}

}  // namespace corvamo
