#pragma once

#include "picture_form.h"

#include <QString>

namespace corvamo {

// The one account of a skin picture that the check, the window and the loader-safe fix-up give:
// what the file really is and whether the road it takes to the console can carry it. Extra
// pictures go through Lindquay into the GBA shell ROM; BMP main pictures through the image
// library into the JPEG the DS loader reads; JPEG main pictures to the DS loader as they are.
enum class PictureRoad { Extra, MainBmp, MainJpg };

struct PictureAccount {
    lindquay::PictureForm form;
    // Why the road cannot carry the picture as it is, after its form's name ("32-bit BMP with
    // bit-field masks (...): Lindquay reads only uncompressed BMPs"); empty when it can.
    QString problem;
    // For an extra picture refused, Lindquay's own words (its listing's ERROR line).
    QString lindquaySays;
    bool fits() const { return problem.isEmpty(); }
};

// The road a catalogue name takes ("arrowL.bmp": Extra, "mainBG.bmp": MainBmp, "mainBG.jpg":
// MainJpg).
PictureRoad RoadOf(const QString& catalogueName);
// Reads the file's first bytes (and, for a BMP main picture, asks the image library).
PictureAccount AccountOf(const QString& path, PictureRoad road);

// The way out the check and the window offer for a picture of the wrong form.
QString FormWayOut();

}  // namespace corvamo
