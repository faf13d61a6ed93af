#include "author/skin_layout.h"

#include "preview/compositor.h"
#include "preview/export_canvases.h"
#include "skin/catalogue.h"

#include <map>

namespace corvamo {

namespace {

struct Reach {
    QRect area;
    bool keyed = false;
};

std::map<const Picture*, Reach>* probing = nullptr;

void Record(const Picture& source, const QRect& area, bool keyed) {
    Reach& reach = (*probing)[&source];
    reach.area = reach.area.united(area);
    reach.keyed = reach.keyed || keyed;
}

// Runs every view of the previews and both exports, noting what each holder is asked for.
std::map<const Picture*, Reach> Measure(FormPictures& pictures) {
    std::map<const Picture*, Reach> reach;
    probing = &reach;
    Picture::readProbe = Record;
    ModuleState state;
    for (int dswindow : {0, 1})
        for (int screen = 0; screen < 5; ++screen) {
            state.dswindow = dswindow;
            state.gbascreen = screen;
            redrawsub(pictures, state, true);
        }
    ViewOptions options;
    for (bool divider : {false, true}) {
        options.dividerindspreview = divider;
        DrawDsExport(pictures, state, options);
    }
    DrawGbaExport(pictures);
    Picture::readProbe = nullptr;
    probing = nullptr;
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
    FormPictures pictures;
    const auto reach = Measure(pictures);
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
        const Picture* slot = role.mainSlot >= 0    ? &pictures.Picture1[size_t(role.mainSlot)]
                              : role.extraSlot >= 0 ? &pictures.Picture5[size_t(role.extraSlot)]
                                                    : nullptr;
        if (const auto found = slot ? reach.find(slot) : reach.end(); found != reach.end()) {
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
