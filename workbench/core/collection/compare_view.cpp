#include "collection/compare_view.h"

#include "collection/skin_summary.h"
#include "preview/console_view.h"

#include <algorithm>
#include <optional>

namespace corvamo {

CompareSide::CompareSide(const CacheFolders& cache) : workbench_(messages_, cache) {}

Status CompareSide::load(const QString& skin) { return LoadSkinAlone(workbench_, skin); }

QImage CompareSide::screen(const CompareOptions& options) {
    // The same clicks the window's previews take, so the compositor draws what the window shows.
    if (workbench_.options().showselectbug != options.showselectbug)
        workbench_.setOption(&ViewOptions::showselectbug, options.showselectbug);
    if (workbench_.state().dswindow != options.dswindow) workbench_.toggleWindow();
    for (int i = 0; i < 5 && workbench_.state().gbascreen != options.gbascreen; ++i) workbench_.nextGbaScreen();
    // The console's screens are composed from the pictures as the console stores them.
    std::optional<FormPictures> console;
    if (options.console) console = workbench_.consolePictures();
    const FormPictures& p = console ? *console : workbench_.pictures();
    const Picture& shown = options.screen == CompareOptions::DsUpper   ? p.Picture1[0]
                           : options.screen == CompareOptions::DsLower ? p.Picture2
                                                                       : p.Picture4;
    return options.zoom > 1 ? Zoomed(shown.image(), options.zoom, options.grid) : shown.image();
}

QImage Differences(const QImage& a, const QImage& b, int* differing) {
    QImage out = a.convertToFormat(QImage::Format_RGB32);
    const QImage other = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* theirs = y < other.height() ? reinterpret_cast<const QRgb*>(other.constScanLine(y)) : nullptr;
        for (int x = 0; x < out.width(); ++x) {
            const bool same = theirs && x < other.width() && (theirs[x] & 0xFFFFFFu) == (line[x] & 0xFFFFFFu);
            if (!same) {
                line[x] = qRgb(255, 0, 255);
                ++count;
            } else {
                line[x] = qRgb((qRed(line[x]) + 3 * 255) / 4, (qGreen(line[x]) + 3 * 255) / 4,
                               (qBlue(line[x]) + 3 * 255) / 4);
            }
        }
    }
    if (differing) *differing = count;
    return out;
}

Comparison Compare(CompareSide& a, CompareSide& b, const CompareOptions& options) {
    CompareOptions plain = options;
    plain.zoom = 1;
    const QImage screens[2] = {a.screen(plain), b.screen(plain)};
    Comparison result;
    for (int side = 0; side < 2; ++side) {
        int count = 0;
        const QImage marked = Differences(screens[side], screens[1 - side], &count);
        // Screens of two sizes (a mainBG of its own height): the larger side counts what the other lacks.
        result.differing = std::max(result.differing, count);
        const QImage& shown = options.differences ? marked : screens[side];
        result.shown[side] = options.zoom > 1 ? Zoomed(shown, options.zoom, options.grid) : shown;
    }
    return result;
}

}  // namespace corvamo
