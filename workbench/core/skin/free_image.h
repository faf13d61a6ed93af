#pragma once

// FreeImage, opened on its first use instead of linked: linking it loads sixteen libraries (and
// registers every format) before the window can open, for pictures converted only once a skin is
// loaded. The library initialises itself when it is opened, before any call below returns. Each
// call answers as FreeImage's function of the same name; when the library cannot be opened, the
// loads give null, the saves FALSE and the rest zero, as for a picture it cannot read.

#include <FreeImage.h>

namespace corvamo::free_image {

// Whether the library could be opened (opens it).
bool Available();

FIBITMAP* Load(FREE_IMAGE_FORMAT format, const char* path, int flags);
FIBITMAP* LoadFromHandle(FREE_IMAGE_FORMAT format, FreeImageIO* io, fi_handle handle, int flags);
BOOL Save(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const char* path, int flags);
BOOL SaveToHandle(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, FreeImageIO* io, fi_handle handle, int flags);
void Unload(FIBITMAP* bitmap);
unsigned GetWidth(FIBITMAP* bitmap);
unsigned GetHeight(FIBITMAP* bitmap);
unsigned GetBPP(FIBITMAP* bitmap);
FREE_IMAGE_COLOR_TYPE GetColorType(FIBITMAP* bitmap);
FIBITMAP* ConvertTo24Bits(FIBITMAP* bitmap);

}  // namespace corvamo::free_image
