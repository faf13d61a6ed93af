#include "compositor.h"

// Not composed yet.
void redrawsub(FormPictures &, const ModuleState &, bool, const std::function<void()> &showPicture4)
{
    if (showPicture4)
        showPicture4();
}
