// make_sample_pictures FOLDER: draws the sample FS folder's pictures, a BMP that Lindquay reads
// directly and a PNG with transparency that goes through glimmet.
#include <FreeImage.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

bool WriteBanner(const std::string& path) {
    const int w = 240, h = 40;
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    if (!dib) return false;
    for (int y = 0; y < h; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < w; ++x) {
            line[x * 3 + FI_RGBA_RED] = static_cast<BYTE>(x * 255 / (w - 1));
            line[x * 3 + FI_RGBA_GREEN] = static_cast<BYTE>(y * 255 / (h - 1));
            line[x * 3 + FI_RGBA_BLUE] = static_cast<BYTE>(((x / 20 + y / 10) % 2) * 160 + 64);
        }
    }
    const bool ok = FreeImage_Save(FIF_BMP, dib, path.c_str(), BMP_DEFAULT) == TRUE;
    FreeImage_Unload(dib);
    return ok;
}

bool WriteLogo(const std::string& path) {
    const int size = 64;
    FIBITMAP* dib = FreeImage_Allocate(size, size, 32);
    if (!dib) return false;
    for (int y = 0; y < size; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x - 31.5, y - 31.5);
            BYTE* p = line + x * 4;
            p[FI_RGBA_RED] = 30;
            p[FI_RGBA_GREEN] = static_cast<BYTE>(120 + x * 2);
            p[FI_RGBA_BLUE] = 200;
            p[FI_RGBA_ALPHA] = d < 28 ? 255 : d < 31 ? 128 : 0;  // a disc on a transparent ground
        }
    }
    const bool ok = FreeImage_Save(FIF_PNG, dib, path.c_str(), PNG_DEFAULT) == TRUE;
    FreeImage_Unload(dib);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_pictures FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!WriteBanner(dir + "/banner.bmp") || !WriteLogo(dir + "/logo.png")) {
        std::fprintf(stderr, "make_sample_pictures: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
