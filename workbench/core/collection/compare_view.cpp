#include "collection/compare_view.h"

#include "collection/skin_summary.h"

namespace corvamo {

CompareSide::CompareSide(const CacheFolders& cache) : workbench_(messages_, cache) {}

Status CompareSide::load(const QString& skin) { return LoadSkinAlone(workbench_, skin); }

QImage CompareSide::screen(const CompareOptions& options) {
    // The same clicks the window's previews take, so the compositor draws what the window shows.
    if (workbench_.options().showselectbug != options.showselectbug)
        workbench_.setOption(&ViewOptions::showselectbug, options.showselectbug);
    if (workbench_.state().dswindow != options.dswindow) workbench_.toggleWindow();
    for (int i = 0; i < 5 && workbench_.state().gbascreen != options.gbascreen; ++i) workbench_.nextGbaScreen();
    const FormPictures& p = workbench_.pictures();
    switch (options.screen) {
        case CompareOptions::DsUpper:
            return p.Picture1[0].image();
        case CompareOptions::DsLower:
            return p.Picture2.image();
        case CompareOptions::Gba:
            break;
    }
    return p.Picture4.image();
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

}  // namespace corvamo
