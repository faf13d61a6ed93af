#pragma once

#include <QImage>

namespace corvamo {

// The program's own pictures, drawn by the compositor and shown by the window. None of them is
// read from a file at run time.

QImage LanguageLabel();     // Picture11, 39 x 32, 1 bit black on white
QImage FileManagerLabel();  // Picture12, 59 x 53, 1 bit black on white
QImage NameLabel();         // Picture13, 43 x 15, light letters on teal
QImage SampleEntryLabel();  // Picture14, 49 x 9, 1 bit black on white
QImage PalettePicture();    // Picture7, 190 x 15, hue left to right, fading to grey downwards

struct FormPictures;
// Puts each built-in picture into its holder (Picture7, Picture11 to Picture14), the holder
// taking the picture's size.
void SeatBuiltinPictures(FormPictures& pictures);

}  // namespace corvamo
