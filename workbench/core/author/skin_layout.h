#pragma once

#include <QSize>
#include <QString>

#include <vector>

namespace corvamo {

// What each catalogue file is to the previews: where it shows, and for the pictures they draw
// from, the size they fix. The sizes are measured from the compositor and the exports
// themselves, so they cannot drift from what is drawn; the check, the template and the README
// all take them from here.
struct SkinFileRole {
    QString name;   // catalogue spelling
    QString shows;  // where it shows, to end a sentence ("... stays blank")
    // The part the previews draw from its top-left corner; empty when they draw nothing from it.
    QSize drawn;
    // The size a skin should give it: what is drawn, except for "deskicon.bmp", whose column has
    // tiles the previews never draw. Empty when the previews do not fix the size.
    QSize size;
    bool transparent = false;  // drawn with pure white (255,255,255) as see-through
    int mainSlot = -1;         // Picture1 index, for both forms of a main picture
    int extraSlot = -1;        // Picture5 index
    bool fixed() const { return !size.isEmpty(); }
};

// Every name of SkinFileNames, in that order.
const std::vector<SkinFileRole>& SkinLayout();
// The role of a catalogue name in its catalogue spelling; null for any other name.
const SkinFileRole* FindRole(const QString& name);
// "256 x 192".
QString SizeText(const QSize& size);

}  // namespace corvamo
