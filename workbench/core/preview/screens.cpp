#include "preview/screens.h"

namespace corvamo {

namespace {

constexpr Holder Main(int slot) { return {Holder::Main, slot}; }
constexpr Holder Extra(int slot) { return {Holder::Extra, slot}; }
// Picture11 to Picture14.
constexpr Holder LanguageLabel{Holder::Label, 0}, FileManagerLabel{Holder::Label, 1}, NameLabel{Holder::Label, 2},
    SampleEntryLabel{Holder::Label, 3};

// Icon tile n of deskicon: the square whose top edge is at y = 24n, drawn transparently.
constexpr DrawStep IconTile(QPoint at, int tile) {
    return {DrawStep::Keyed, Extra(DeskIcon), at, {kIconTileSize, kIconTileSize}, {0, kIconTileSize * tile}};
}

// The desktop's icon column of screens 2 to 4: tiles 0, 1, 8, 7, 4 from the top, 29 pixels apart.
constexpr DrawStep kDesktopColumn[] = {
    IconTile({8, 6}, 0), IconTile({8, 35}, 1), IconTile({8, 64}, 8), IconTile({8, 93}, 7), IconTile({8, 122}, 4),
};
// Screen 1: the item dialog with the language choice.
constexpr DrawStep kItemDialog[] = {
    {DrawStep::Keyed, Extra(ItemDisc), {60, 49}, {128, 80}},
    IconTile({73, 66}, 6),
    {DrawStep::Keyed, Extra(ArrowR), {112, 66}, {12, 12}},
    {DrawStep::Keyed, LanguageLabel, {126, 67}, {39, 32}, {0, 0}, DrawStep::Labels},
};
// Screen 2: the left arrow beside the top icon.
constexpr DrawStep kDesktopArrow[] = {
    {DrawStep::Keyed, Extra(ArrowL), {31, 11}, {12, 12}},
};
// Screen 3: the item dialog announcing the file manager.
constexpr DrawStep kFileManagerMessage[] = {
    {DrawStep::Keyed, Extra(ArrowR), {31, 11}, {12, 12}},
    {DrawStep::Keyed, Extra(ItemDisc), {48, 8}, {128, 80}},
    IconTile({61, 34}, 0),
    {DrawStep::Keyed, FileManagerLabel, {102, 26}, {59, 53}, {0, 0}, DrawStep::Labels},
};
// Screen 4: the file manager, which covers the whole screen.
constexpr DrawStep kFileManager[] = {
    {DrawStep::Opaque, Extra(FileMngHead), {0, 0}, {240, 24}},
    {DrawStep::Opaque, Extra(FileMng), {0, 24}, {240, 136}},
    {DrawStep::Keyed, Extra(Icons), {3, 26}, {16, 13}},
    {DrawStep::Opaque, NameLabel, {20, 25}, {43, 15}, {0, 0}, DrawStep::Labels},
};

constexpr Holder kNone{};

// The DS lower screen: subBG, the sample entries of the list, the disk, nor and setting buttons
// and the select bar, the strip, the window element, and the entry beside or in it.
constexpr DrawStep SampleEntry(QPoint at, unsigned when) {
    return {DrawStep::Keyed, SampleEntryLabel, at, {49, 9}, {0, 0}, when};
}
constexpr DrawStep kDsLower[] = {
    {DrawStep::Background, Main(1), {0, 0}, {}},
    SampleEntry({72, 52}, DrawStep::SubBG),
    SampleEntry({72, 70}, DrawStep::SubBG),
    SampleEntry({72, 88}, DrawStep::SubBG),
    SampleEntry({72, 106}, DrawStep::SubBG),
    SampleEntry({72, 124}, DrawStep::SubBG),
    SampleEntry({72, 142}, DrawStep::SubBG),
    SampleEntry({72, 160}, DrawStep::SubBG),
    {DrawStep::Opaque, Main(2), {12, 22}, {40, 40}},
    {DrawStep::Opaque, Main(3), {12, 66}, {40, 40}},
    {DrawStep::Opaque, Main(4), {12, 110}, {40, 40}},
    {DrawStep::Opaque, Main(5), {69, 30}, {176, 18}},
    {DrawStep::Opaque, {Holder::Strip, 0}, {69, 46}, {176, 2}, {0, 0}, DrawStep::SelectBug},
    {DrawStep::Opaque, Main(6), {40, 30}, {160, 120}, {0, 0}, DrawStep::Window},
    SampleEntry({49, 43}, DrawStep::SubBG | DrawStep::Window),
    SampleEntry({96, 34}, DrawStep::SubBG | DrawStep::NoWindow),
};
// The 352 mainBG pixels that follow (0, 11) in reading order, 176 to a row.
constexpr DrawStep kSelectBugStrip[] = {
    {DrawStep::Opaque, Main(0), {0, 0}, {176, 1}, {0, 11}},
    {DrawStep::Opaque, Main(0), {0, 1}, {80, 1}, {176, 11}},
    {DrawStep::Opaque, Main(0), {80, 1}, {96, 1}, {0, 12}},
};

constexpr ExportCell kDsCells[] = {
    {{0, 0}, Main(0), kDsScreen, {}},
    {{0, kDsScreen.height()}, {Holder::DsLower, 0}, kDsScreen, {}, true},
};
// Screens 1 to 4, clockwise from the top left; every cell starts from the canvas's white.
constexpr ExportCell kGbaCells[] = {
    {{0, 0}, Extra(QvPdaLogo), kGbaScreen, {kItemDialog}},
    {{240, 0}, Extra(Desktop), kGbaScreen, {kDesktopColumn, kDesktopArrow}},
    {{240, 160}, Extra(Desktop), kGbaScreen, {kDesktopColumn, kFileManagerMessage}},
    {{0, 160}, kNone, {}, {kFileManager}},
};

}  // namespace

const GbaScreen kGbaScreenSteps[kGbaScreens] = {
    {Extra(QvPdaLogo), {}},
    {Extra(QvPdaLogo), {kItemDialog}},
    {Extra(Desktop), {kDesktopColumn, kDesktopArrow}},
    {Extra(Desktop), {kDesktopColumn, kFileManagerMessage}},
    {Extra(Desktop), {kDesktopColumn, kFileManager}},
};
const std::span<const DrawStep> kDsLowerSteps = kDsLower;
const std::span<const DrawStep> kSelectBugStripSteps = kSelectBugStrip;
const std::span<const ExportCell> kDsExportCells = kDsCells;
const std::span<const ExportCell> kGbaExportCells = kGbaCells;

const Picture& HolderPicture(const FormPictures& p, Holder holder) {
    switch (holder.kind) {
        case Holder::Main:
            return p.Picture1[size_t(holder.index)];
        case Holder::Extra:
            return p.Picture5[size_t(holder.index)];
        case Holder::Label: {
            const Picture* labels[] = {&p.Picture11, &p.Picture12, &p.Picture13, &p.Picture14};
            return *labels[holder.index];
        }
        case Holder::Strip:
            return p.Picture10;
        case Holder::DsLower:
        case Holder::None:
            break;
    }
    return p.Picture2;
}

bool DrawConditions::hold(unsigned when) const {
    return (!(when & DrawStep::Labels) || labels) && (!(when & DrawStep::SubBG) || subBG) &&
           (!(when & DrawStep::Window) || window) && (!(when & DrawStep::NoWindow) || !window) &&
           (!(when & DrawStep::SelectBug) || selectBug);
}

void DrawSteps(Picture& canvas, QPoint origin, std::span<const DrawStep> steps, const FormPictures& pictures,
               const DrawConditions& conditions) {
    for (const DrawStep& step : steps) {
        if (!conditions.hold(step.when)) continue;
        const Picture& source = HolderPicture(pictures, step.from);
        const QPoint at = origin + step.at;
        switch (step.copy) {
            case DrawStep::Background:
                canvas.setBackground(source);
                break;
            case DrawStep::Opaque:
                canvas.copy(at.x(), at.y(), step.size.width(), step.size.height(), source, step.source.x(),
                            step.source.y());
                break;
            case DrawStep::Keyed:
                canvas.copyTransparent(at.x(), at.y(), step.size.width(), step.size.height(), source, step.source.x(),
                                       step.source.y());
                break;
        }
    }
}

void ForEachRead(const std::function<void(Holder holder, const QRect& area, bool keyed)>& read) {
    const auto steps = [&](std::span<const DrawStep> list, QSize canvas) {
        for (const DrawStep& step : list)
            read(step.from,
                 step.copy == DrawStep::Background ? QRect(QPoint(0, 0), canvas) : QRect(step.source, step.size),
                 step.copy == DrawStep::Keyed);
    };
    for (const GbaScreen& screen : kGbaScreenSteps) {
        read(screen.background, QRect(QPoint(0, 0), kGbaScreen), false);
        for (const auto& group : screen.groups) steps(group, kGbaScreen);
    }
    steps(kSelectBugStripSteps, {});
    steps(kDsLowerSteps, kDsScreen);
    for (const auto cells : {kDsExportCells, kGbaExportCells})
        for (const ExportCell& cell : cells) {
            if (cell.fill.kind != Holder::None) read(cell.fill, QRect(QPoint(0, 0), cell.fillSize), false);
            for (const auto& group : cell.groups) steps(group, {});
        }
}

}  // namespace corvamo
