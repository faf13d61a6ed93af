#pragma once

#include "preview/picture.h"

#include <QColor>
#include <QString>

#include <array>

namespace corvamo {

// The module-level state every handler of the workbench shares; lives for the whole run.
struct ModuleState {
    QString appfolder;    // the program folder, ending in "/"
    QString skinsource;   // the archive last chosen, "" for a folder skin
    int skinfromzip = 0;  // 1 while the loaded skin came from an archive chosen in the file list
    int dswindow = 0;     // 1: the DS lower screen shows the window element
    int gbascreen = 0;    // which of the five GBA screens Picture4 shows
};

// The check marks of the File menu; all start cleared at every start of the program.
struct ViewOptions {
    bool copyqvkitupbintodrive = false;
    bool showselectbug = false;
    bool dividerindspreview = false;
    bool savepreviewinskindirectory = false;
    bool savepreviewinsamedirectoryaszip = false;
};

// Form1's picture holders and canvases, by their control names. Sizes are inner drawing areas.
struct FormPictures {
    std::array<Picture, 7> Picture1;                     // main picture slots, MainJpgNames order
    std::array<Picture, 31> Picture5;                    // extra picture slots, ExtraBmpNames order
    Picture Picture2{256, 192};                          // DS lower-screen preview
    Picture Picture3{256, 384};                          // DS export canvas
    Picture Picture4{240, 160};                          // GBA preview
    Picture Picture9{256, 192};                          // the blank picture
    Picture Picture10{176, 2};                           // select-bug strip
    Picture Picture15{1, 9};                             // GBA export canvas
    Picture Picture11, Picture12, Picture13, Picture14;  // built-in label pictures
    Picture Picture7;                                    // the colour palette
    std::array<QColor, 2> Picture8;                      // quick swatches: 0 caption text, 1 menu text
    QColor Picture6;                                     // the divider swatch's colour (the divider colour)

    // Slots at their start sizes, the built-in pictures loaded, the swatches in the given colours.
    FormPictures(const QColor& captionText = Qt::white, const QColor& menuText = Qt::black,
                 const QColor& buttonFace = QColor(239, 239, 239));
};

}  // namespace corvamo
