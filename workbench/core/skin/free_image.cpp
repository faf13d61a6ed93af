#include "skin/free_image.h"

#include <dlfcn.h>

namespace corvamo::free_image {

namespace {

struct Library {
    decltype(&::FreeImage_Load) load = nullptr;
    decltype(&::FreeImage_LoadFromHandle) loadFromHandle = nullptr;
    decltype(&::FreeImage_Save) save = nullptr;
    decltype(&::FreeImage_SaveToHandle) saveToHandle = nullptr;
    decltype(&::FreeImage_Unload) unload = nullptr;
    decltype(&::FreeImage_GetWidth) width = nullptr;
    decltype(&::FreeImage_GetHeight) height = nullptr;
    decltype(&::FreeImage_GetBPP) bpp = nullptr;
    decltype(&::FreeImage_GetColorType) colorType = nullptr;
    decltype(&::FreeImage_ConvertTo24Bits) to24 = nullptr;
    bool complete() const {
        return load && loadFromHandle && save && saveToHandle && unload && width && height && bpp && colorType && to24;
    }
};

template <typename Function>
void Find(void* handle, Function& function, const char* name) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
}

Library Open() {
    // Kept open for the rest of the run, as a linked library would be.
    void* handle = ::dlopen(CORVAMO_FREEIMAGE_SONAME, RTLD_NOW | RTLD_LOCAL);
    Library library;
    if (!handle) return library;
    Find(handle, library.load, "FreeImage_Load");
    Find(handle, library.loadFromHandle, "FreeImage_LoadFromHandle");
    Find(handle, library.save, "FreeImage_Save");
    Find(handle, library.saveToHandle, "FreeImage_SaveToHandle");
    Find(handle, library.unload, "FreeImage_Unload");
    Find(handle, library.width, "FreeImage_GetWidth");
    Find(handle, library.height, "FreeImage_GetHeight");
    Find(handle, library.bpp, "FreeImage_GetBPP");
    Find(handle, library.colorType, "FreeImage_GetColorType");
    Find(handle, library.to24, "FreeImage_ConvertTo24Bits");
    return library.complete() ? library : Library();
}

// Opened once, by whichever thread comes first (the command-line modes convert on two).
const Library& Get() {
    static const Library library = Open();
    return library;
}

}  // namespace

bool Available() { return Get().complete(); }

FIBITMAP* Load(FREE_IMAGE_FORMAT format, const char* path, int flags) {
    return Available() ? Get().load(format, path, flags) : nullptr;
}

FIBITMAP* LoadFromHandle(FREE_IMAGE_FORMAT format, FreeImageIO* io, fi_handle handle, int flags) {
    return Available() ? Get().loadFromHandle(format, io, handle, flags) : nullptr;
}

BOOL Save(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const char* path, int flags) {
    return Available() ? Get().save(format, bitmap, path, flags) : FALSE;
}

BOOL SaveToHandle(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, FreeImageIO* io, fi_handle handle, int flags) {
    return Available() ? Get().saveToHandle(format, bitmap, io, handle, flags) : FALSE;
}

// A bitmap exists only when the library was opened.
void Unload(FIBITMAP* bitmap) {
    if (bitmap) Get().unload(bitmap);
}
unsigned GetWidth(FIBITMAP* bitmap) { return bitmap ? Get().width(bitmap) : 0; }
unsigned GetHeight(FIBITMAP* bitmap) { return bitmap ? Get().height(bitmap) : 0; }
unsigned GetBPP(FIBITMAP* bitmap) { return bitmap ? Get().bpp(bitmap) : 0; }
FREE_IMAGE_COLOR_TYPE GetColorType(FIBITMAP* bitmap) { return bitmap ? Get().colorType(bitmap) : FIC_MINISBLACK; }
FIBITMAP* ConvertTo24Bits(FIBITMAP* bitmap) { return bitmap ? Get().to24(bitmap) : nullptr; }

}  // namespace corvamo::free_image
