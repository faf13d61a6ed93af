// glimmet SOURCE /convert=TARGET
// Reads any picture FreeImage can read and writes it as an uncompressed, bottom-up, 24-bit BMP,
// with an alpha channel flattened onto white (the toolkit's transparent colour).
#include <FreeImage.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;

// The decoders' warnings would clutter the builder's listing; only a failure's reason is shown.
std::string lastLibraryMessage;
void KeepMessage(FREE_IMAGE_FORMAT, const char* message) { lastLibraryMessage = message ? message : ""; }

// Some decoders write straight to standard error; that goes nowhere while they run.
class QuietStderr {
public:
    QuietStderr() : saved_(::dup(2)) {
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 2);
            ::close(null);
        }
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }

private:
    int saved_;
};

int Fail(const std::string& message) {
    std::string line = message;
    if (!lastLibraryMessage.empty()) line += " (" + lastLibraryMessage + ")";
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "glimmet: %s\n", line.c_str());
    return kExitFailed;
}

// Any FreeImage bitmap as 24-bit RGB, transparent parts over white.
FIBITMAP* To24Bits(FIBITMAP* dib) {
    FIBITMAP* standard = nullptr;
    switch (FreeImage_GetImageType(dib)) {
        case FIT_BITMAP:
            standard = dib;
            break;
        case FIT_RGB16:  // 16 bits per channel, e.g. from PNG or TIFF
        case FIT_RGBA16:
            standard = FreeImage_ConvertTo32Bits(dib);
            break;
        case FIT_RGBF:  // high dynamic range
        case FIT_RGBAF:
            standard = FreeImage_ToneMapping(dib, FITMO_DRAGO03, 0, 0);
            break;
        default:  // grey or complex samples
            standard = FreeImage_ConvertToStandardType(dib, TRUE);
            break;
    }
    if (!standard) return nullptr;
    FIBITMAP* result = nullptr;
    if (FreeImage_IsTransparent(standard) || FreeImage_GetBPP(standard) == 32) {
        FIBITMAP* rgba = FreeImage_ConvertTo32Bits(standard);
        if (rgba) {
            RGBQUAD white{255, 255, 255, 0};
            result = FreeImage_Composite(rgba, FALSE, &white, nullptr);
            FreeImage_Unload(rgba);
        }
    } else {
        result = FreeImage_ConvertTo24Bits(standard);
    }
    if (standard != dib) FreeImage_Unload(standard);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const char kOption[] = "/convert=";
    if (argc != 3 || std::strncmp(argv[2], kOption, sizeof kOption - 1) != 0 || argv[2][sizeof kOption - 1] == '\0')
        return Fail("usage: glimmet SOURCE /convert=TARGET");
    const char* source = argv[1];
    const char* target = argv[2] + sizeof kOption - 1;

    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(KeepMessage);
    auto quiet = std::make_unique<QuietStderr>();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(source, 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(source);
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        quiet.reset();
        return Fail(std::string("not a picture it can read: ") + source);
    }
    FIBITMAP* dib = FreeImage_Load(format, source, 0);
    quiet.reset();
    if (!dib) return Fail(std::string("cannot read ") + source);
    FIBITMAP* rgb = To24Bits(dib);
    FreeImage_Unload(dib);
    if (!rgb) return Fail(std::string("cannot convert ") + source);
    const bool saved = FreeImage_Save(FIF_BMP, rgb, target, BMP_DEFAULT) == TRUE;
    FreeImage_Unload(rgb);
    FreeImage_DeInitialise();
    if (!saved) {
        std::remove(target);
        return Fail(std::string("cannot write ") + target);
    }
    return kExitConverted;
}
