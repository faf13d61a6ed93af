#include "author/problem_map.h"

#include "author/skin_layout.h"
#include "preview/compositor.h"
#include "skin/catalogue.h"

#include <QPainter>

namespace corvamo {

namespace {

// Marks are never white (the key colour) and never a label's colour: red is 1 exactly.
QRgb Mark(int slot) { return qRgb(1, (slot + 1) >> 8, (slot + 1) & 0xFF); }

int SlotOfMark(QRgb c) { return qRed(c) == 1 ? (qGreen(c) << 8 | qBlue(c)) - 1 : kNoSlot; }

void Fill(Picture& slot, int id, const QSize& drawn) {
    const QSize size = slot.hasPicture() ? slot.picture().size().expandedTo(drawn)
                       : drawn.isEmpty() ? slot.picture().size()
                                         : drawn;
    if (size.isEmpty()) return;
    QImage mark(size, QImage::Format_RGB32);
    mark.fill(Mark(id));
    slot.setPicture(mark);
}

QSize DrawnSize(const QString& catalogueName) {
    const SkinFileRole* role = FindRole(catalogueName);
    return role ? role->size : QSize();
}

}  // namespace

SlotMaps MapSlots(const FormPictures& pictures, const ModuleState& state, bool showselectbug) {
    FormPictures marked = pictures;
    const QStringList jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    const QStringList extras = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (int i = 0; i < int(marked.Picture1.size()); ++i) Fill(marked.Picture1[size_t(i)], i, DrawnSize(jpgs[i]));
    for (int i = 0; i < int(marked.Picture5.size()); ++i)
        Fill(marked.Picture5[size_t(i)], kExtraSlotBase + i, DrawnSize(extras[i]));
    // A missing picture is marked at its full size, so that its place is outlined; the labels
    // that its presence test would leave out are then drawn over a few of its pixels.
    redrawsub(marked, state, showselectbug);
    return {marked.Picture1[0].image(), marked.Picture2.image(), marked.Picture4.image()};
}

int SlotAt(const QImage& map, QPoint p) {
    if (!map.rect().contains(p)) return kNoSlot;
    return SlotOfMark(map.pixel(p));
}

int SlotOfFinding(const Finding& finding) {
    const QString file = finding.file.mid(finding.file.lastIndexOf('/') + 1);
    const QStringList jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    const QStringList bmps = Catalogue::Split(Catalogue::MainBmpNames);
    const QStringList extras = Catalogue::Split(Catalogue::ExtraBmpNames);
    for (int i = 0; i < int(jpgs.size()); ++i)
        if (file.compare(jpgs[i], Qt::CaseInsensitive) == 0 || file.compare(bmps[i], Qt::CaseInsensitive) == 0)
            return i;
    for (int i = 0; i < int(extras.size()); ++i)
        if (file.compare(extras[i], Qt::CaseInsensitive) == 0) return kExtraSlotBase + i;
    return kNoSlot;
}

std::map<int, QString> ProblemsBySlot(const SkinReport& report) {
    std::map<int, QString> problems;
    static const char* const levels[] = {"error", "warning", "note"};
    for (const Finding& f : report.findings) {
        if (f.level == Finding::Note) continue;
        const int slot = SlotOfFinding(f);
        if (slot == kNoSlot) continue;
        QString& text = problems[slot];
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QStringLiteral("%1: %2: %3").arg(QLatin1String(levels[f.level]), f.file, f.text);
    }
    return problems;
}

QImage Outlined(const QImage& view, const QImage& map, const std::map<int, QString>& problems, int zoom, int copies,
                int gap) {
    QImage out = view.convertToFormat(QImage::Format_RGB32);
    if (problems.empty()) return out;
    const int line = zoom >= 2 ? 2 : 1;
    const QRgb red = qRgb(255, 0, 0);
    const auto inProblem = [&](int x, int y) {
        const int slot = SlotAt(map, QPoint(x, y));
        return slot != kNoSlot && problems.count(slot) != 0 ? slot : kNoSlot;
    };
    QPainter painter(&out);
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const int slot = inProblem(x, y);
            if (slot == kNoSlot) continue;
            // An edge of the area: a side whose neighbour shows another picture.
            const bool left = SlotAt(map, {x - 1, y}) != slot, right = SlotAt(map, {x + 1, y}) != slot;
            const bool top = SlotAt(map, {x, y - 1}) != slot, bottom = SlotAt(map, {x, y + 1}) != slot;
            if (!(left || right || top || bottom)) continue;
            for (int copy = 0; copy < copies; ++copy) {
                const int x0 = copy * (map.width() * zoom + gap) + x * zoom, y0 = y * zoom;
                if (left) painter.fillRect(x0, y0, line, zoom, red);
                if (right) painter.fillRect(x0 + zoom - line, y0, line, zoom, red);
                if (top) painter.fillRect(x0, y0, zoom, line, red);
                if (bottom) painter.fillRect(x0, y0 + zoom - line, zoom, line, red);
            }
        }
    return out;
}

}  // namespace corvamo
