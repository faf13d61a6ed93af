#include "author/skin_layout.h"

#include "preview/screens.h"
#include "skin/catalogue.h"

#include <map>

namespace corvamo {

namespace {

struct Reach {
    QRect area;
    bool keyed = false;
};

// What the previews and exports read of each slot, from their draw tables.
std::map<std::pair<int, int>, Reach> Measure() {
    std::map<std::pair<int, int>, Reach> reach;
    ForEachRead([&](Holder holder, const QRect& area, bool keyed) {
        if (holder.kind != Holder::Main && holder.kind != Holder::Extra) return;
        Reach& slot = reach[{holder.kind, holder.index}];
        slot.area = slot.area.united(area);
        slot.keyed = slot.keyed || keyed;
    });
    return reach;
}

QString Shows(const QString& stem) {
    static const std::map<QString, QString> shows = {
        {"mainBG", "the DS upper screen"},
        {"subBG", "the background of the DS lower screen"},
        {"disk", "the disk button of the DS lower screen"},
        {"nor", "the nor button of the DS lower screen"},
        {"setting", "the setting button of the DS lower screen"},
        {"select", "the select bar of the DS lower screen"},
        {"window", "the window of the DS lower screen"},
        {"arrowL", "the left arrow of the GBA desktop"},
        {"arrowR", "the right arrow of the GBA item dialogs"},
        {"deskicon", "the icons of the GBA desktop and item dialogs"},
        {"desktop", "the background of the GBA desktop"},
        {"qvpdalogo", "the background of the GBA start screen and language dialog"},
        {"filemng", "the GBA file manager"},
        {"filemnghead", "the title bar of the GBA file manager"},
        {"icons", "the file icon of the GBA file manager"},
        {"itemdisc", "the item dialog of the GBA desktop"},
        {"text", "the text that skin_txt.bat packs into the GBA shell ROM"},
        {"asc", "a data file of both loaders (nds/ and gba/.shell/)"},
        {"hzk", "a data file of both loaders (nds/ and gba/.shell/)"},
        {"help", "the help page of the GBA shell"},
    };
    const auto found = shows.find(stem);
    return found != shows.end() ? found->second : QStringLiteral("the GBA shell, which the previews do not show");
}

std::vector<SkinFileRole> Build() {
    const auto reach = Measure();
    const QStringList jpgs = Catalogue::Split(Catalogue::MainJpgNames);
    const QStringList bmps = Catalogue::Split(Catalogue::MainBmpNames);
    const QStringList extras = Catalogue::Split(Catalogue::ExtraBmpNames);

    std::vector<SkinFileRole> layout;
    for (const QString& name : Catalogue::Split(Catalogue::SkinFileNames)) {
        SkinFileRole role;
        role.name = name;
        role.shows = Shows(name.left(name.indexOf('.')));
        role.mainSlot = int(std::max(jpgs.indexOf(name), bmps.indexOf(name)));
        role.extraSlot = int(extras.indexOf(name));
        const std::pair<int, int> slot = role.mainSlot >= 0    ? std::pair(int(Holder::Main), role.mainSlot)
                                         : role.extraSlot >= 0 ? std::pair(int(Holder::Extra), role.extraSlot)
                                                               : std::pair(int(Holder::None), 0);
        if (const auto found = reach.find(slot); found != reach.end()) {
            const QRect& area = found->second.area;
            role.drawn = QSize(area.right() + 1, area.bottom() + 1);
            role.size = role.extraSlot == DeskIcon ? QSize(role.drawn.width(), role.drawn.width() * kDeskIconTiles)
                                                   : role.drawn;
            role.transparent = found->second.keyed;
        }
        layout.push_back(role);
    }
    return layout;
}

}  // namespace

const std::vector<SkinFileRole>& SkinLayout() {
    static const std::vector<SkinFileRole> layout = Build();
    return layout;
}

const SkinFileRole* FindRole(const QString& name) {
    for (const SkinFileRole& role : SkinLayout())
        if (role.name == name) return &role;
    return nullptr;
}

QString SizeText(const QSize& size) { return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()); }

}  // namespace corvamo
