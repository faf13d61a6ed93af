#include "preview/workbench_state.h"

#include "preview/builtin_pictures.h"

namespace corvamo {

FormPictures::FormPictures(const QColor& captionText, const QColor& menuText, const QColor& buttonFace)
    : Picture1{Picture(256, 184, true), Picture(1, 17, true),  Picture(17, 17, true), Picture(17, 17, true),
               Picture(17, 17, true),   Picture(17, 17, true), Picture(17, 17, true)},
      Picture8{captionText, menuText},
      Picture6(buttonFace) {
    for (auto& slot : Picture5) slot = Picture(9, 9, true);
    Picture5[2].setHeight(1);
    SeatBuiltinPictures(*this);
}

}  // namespace corvamo
