#pragma once

#include "collection/skin_summary.h"

#include <QImage>

#include <vector>

namespace corvamo {

// A contact sheet: every skin's thumbnail in a grid, left to right and top to bottom, each with
// its name and its check's counts below it in the built-in pixel font, on white.
struct ContactSheetLayout {
    static constexpr int ThumbnailHeight = 144;
    static constexpr int Columns = 4;
    static constexpr int Margin = 12;    // around the sheet and between cells
    static constexpr int TextScale = 2;  // pixel font scale of the two lines of text
    static int cellWidth() { return ThumbnailWidth(ThumbnailHeight); }
    static int cellHeight() { return ThumbnailHeight + 2 * (PixelFontLine + 2); }
    static constexpr int PixelFontLine = 7 * TextScale;
};

QImage ComposeContactSheet(const std::vector<SkinSummary>& skins);
// "3 errors, 1 warning, 0 notes" (the check's summary words).
QString CountsText(const SkinSummary& skin);

}  // namespace corvamo
