#include "collection/contact_sheet.h"

#include "author/pixel_font.h"

#include <QPainter>

#include <algorithm>

namespace corvamo {

namespace {

QString Counted(int n, const char* one) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(one)).arg(n == 1 ? "" : "s");
}

// The text cut to what fits width pixels, "..." marking the cut.
QString Fitted(const QString& text, int width, int scale) {
    const int fits = width / (PixelFont::CellWidth * scale);
    return text.size() <= fits ? text : text.left(std::max(0, fits - 3)) + QStringLiteral("...");
}

}  // namespace

QString CountsText(const SkinSummary& skin) {
    return Counted(skin.errors, "error") + QStringLiteral(", ") + Counted(skin.warnings, "warning") +
           QStringLiteral(", ") + Counted(skin.notes, "note");
}

QImage ComposeContactSheet(const std::vector<SkinSummary>& skins) {
    using L = ContactSheetLayout;
    const int count = int(skins.size());
    const int columns = std::max(1, std::min(L::Columns, count));
    const int rows = (count + columns - 1) / columns;
    QImage sheet(L::Margin + columns * (L::cellWidth() + L::Margin), L::Margin + rows * (L::cellHeight() + L::Margin),
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    const auto origin = [&](int i) {
        return QPoint(L::Margin + (i % columns) * (L::cellWidth() + L::Margin),
                      L::Margin + (i / columns) * (L::cellHeight() + L::Margin));
    };
    {
        QPainter painter(&sheet);
        for (int i = 0; i < count; ++i) painter.drawImage(origin(i), skins[size_t(i)].thumbnail);
    }
    // The pixel font paints on its own.
    for (int i = 0; i < count; ++i) {
        const SkinSummary& skin = skins[size_t(i)];
        const int x = origin(i).x(), text = origin(i).y() + L::ThumbnailHeight + 2;
        PixelFont::Draw(sheet, x, text, Fitted(skin.name, L::cellWidth(), L::TextScale), qRgb(0, 0, 0), L::TextScale);
        const QRgb badge = skin.errors > 0 || skin.broken() ? qRgb(176, 0, 0)
                           : skin.warnings > 0              ? qRgb(160, 100, 0)
                                                            : qRgb(0, 120, 0);
        PixelFont::Draw(
            sheet, x, text + L::PixelFontLine + 2,
            Fitted(skin.broken() ? QStringLiteral("cannot be shown") : CountsText(skin), L::cellWidth(), L::TextScale),
            badge, L::TextScale);
    }
    return sheet;
}

}  // namespace corvamo
