// glimmet SOURCE /convert=TARGET
// Reads any picture FreeImage can read and writes it as an uncompressed, bottom-up, 24-bit BMP,
// with an alpha channel flattened onto white (the toolkit's transparent colour).
//
// The picture is decoded in a child process, so that a damaged picture that crashes a decoder
// ends only the child; its size is read before its pixels where the format allows. The child ends
// with glimmet, however glimmet ends. The BMP is written to a new, unnamed file beside the target
// and renamed over it only once it is complete, so that a failure (a full disk) or a kill leaves
// neither a truncated BMP, nor a removed target, nor a file of its own behind.
#include <FreeImage.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "printable.h"

#if defined(__SANITIZE_ADDRESS__)
#define GLIMMET_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLIMMET_ASAN 1
#endif
#endif

// The decoding child's memory is limited to 2 GiB of address space; ASan reserves terabytes of
// it, so there the allocator is capped instead.
#ifdef GLIMMET_ASAN
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=2048"; }
#endif

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// The child's exit code when it failed and said why.
constexpr int kChildReported = 3;
// Far above any loader picture; a picture's pixels are what costs memory.
constexpr std::uint64_t kMaxPixels = std::uint64_t{64} << 20;
// Seconds of processor time a decode may take: a decoder that loops on a damaged picture ends.
constexpr rlim_t kCpuSeconds = 120;

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

// The line goes into Lindquay's listing: control bytes of a path are shown as \xHH.
int Fail(const std::string& message) {
    std::string line = message;
    if (!lastLibraryMessage.empty()) line += " (" + lastLibraryMessage + ")";
    std::fprintf(stderr, "glimmet: %s\n", Printable(line).c_str());
    return kExitFailed;
}

std::string TooLarge(const char* source, std::uint64_t width, std::uint64_t height) {
    return std::string(source) + ": " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels is over the limit of " + std::to_string(kMaxPixels) + " (64 Mi) pixels";
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

// The size a format's header claims, read before any pixel; false when it cannot be told.
// FreeImage reads most headers alone; a GIF's logical screen is what its decoder allocates.
bool ClaimedSize(FREE_IMAGE_FORMAT format, const char* source, std::uint64_t& width, std::uint64_t& height) {
    if (FreeImage_FIFSupportsNoPixels(format)) {
        FIBITMAP* header = FreeImage_Load(format, source, FIF_LOAD_NOPIXELS);
        if (!header) return false;
        width = FreeImage_GetWidth(header);
        height = FreeImage_GetHeight(header);
        FreeImage_Unload(header);
        return true;
    }
    if (format == FIF_GIF) {
        unsigned char screen[10];
        std::FILE* file = std::fopen(source, "rb");
        const bool read = file && std::fread(screen, 1, sizeof screen, file) == sizeof screen;
        if (file) std::fclose(file);
        if (!read) return false;
        width = screen[6] | screen[7] << 8;
        height = screen[8] | screen[9] << 8;
        return true;
    }
    return false;
}

// FreeImage writes the BMP through the file opened here; the first failing write keeps its errno.
int writeError = 0;
unsigned WriteProc(void* data, unsigned size, unsigned count, fi_handle handle) {
    const std::size_t written = std::fwrite(data, size, count, static_cast<std::FILE*>(handle));
    if (written != count && writeError == 0) writeError = errno != 0 ? errno : EIO;
    return static_cast<unsigned>(written);
}
unsigned ReadProc(void*, unsigned, unsigned, fi_handle) { return 0; }
int SeekProc(fi_handle handle, long offset, int origin) {
    return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
}
long TellProc(fi_handle handle) { return std::ftell(static_cast<std::FILE*>(handle)); }

// Writes the BMP of rgb to fd; empty on success, else why not.
std::string SaveBmp(FIBITMAP* rgb, int fd) {
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) return std::strerror(errno);
    FreeImageIO io{ReadProc, WriteProc, SeekProc, TellProc};
    const bool saved = FreeImage_SaveToHandle(FIF_BMP, rgb, &io, file, BMP_DEFAULT) == TRUE;
    if (std::fflush(file) != 0 && writeError == 0) writeError = errno;
    // A complete BMP: both headers, then every row filled up to a multiple of 4 bytes.
    const std::uint64_t expected =
        54 + ((std::uint64_t{FreeImage_GetWidth(rgb)} * 3 + 3) & ~std::uint64_t{3}) * FreeImage_GetHeight(rgb);
    struct stat written {};
    const bool complete = ::fstat(fd, &written) == 0 && static_cast<std::uint64_t>(written.st_size) == expected;
    if (std::fclose(file) != 0 && writeError == 0) writeError = errno;
    if (writeError != 0) return std::strerror(writeError);
    if (!saved || !complete) return "the bitmap came out incomplete";
    return {};
}

// The child: decodes source and writes the BMP to fd. Says why on failure.
int Convert(const char* source, const char* target, int fd) {
    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(KeepMessage);
    auto quiet = std::make_unique<QuietStderr>();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(source, 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(source);
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        quiet.reset();
        Fail(std::string("not a picture it can read: ") + source);
        return kChildReported;
    }
    std::uint64_t width = 0, height = 0;
    if (ClaimedSize(format, source, width, height) && width * height > kMaxPixels) {
        quiet.reset();
        lastLibraryMessage.clear();
        Fail(TooLarge(source, width, height));
        return kChildReported;
    }
    FIBITMAP* dib = FreeImage_Load(format, source, 0);
    quiet.reset();
    if (!dib) {
        Fail(std::string("cannot read ") + source);
        return kChildReported;
    }
    width = FreeImage_GetWidth(dib);
    height = FreeImage_GetHeight(dib);
    if (width * height > kMaxPixels) {
        FreeImage_Unload(dib);
        Fail(TooLarge(source, width, height));
        return kChildReported;
    }
    FIBITMAP* rgb = To24Bits(dib);
    FreeImage_Unload(dib);
    if (!rgb) {
        Fail(std::string("cannot convert ") + source);
        return kChildReported;
    }
    const std::string error = SaveBmp(rgb, fd);
    FreeImage_Unload(rgb);
    FreeImage_DeInitialise();
    if (!error.empty()) {
        lastLibraryMessage.clear();
        Fail(std::string("cannot write ") + target + ": " + error);
        return kChildReported;
    }
    return kExitConverted;
}

// A new file in the target's folder that has no name yet (a hidden "TARGET.XXXXXX" where the
// file system has no unnamed files; `temporary` holds its name then).
int NewFileBeside(const std::string& target, std::string& temporary) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    temporary = target + ".XXXXXX";
    const int named = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (named < 0) temporary.clear();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (named >= 0) ::fchmod(named, 0666 & ~mask);
    return named;
}

// Gives the unnamed file `fd` the name `target`: first a new name of its own beside it, then a
// rename over the target.
int NameFile(int fd, const std::string& target, std::string& temporary) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; temporary.empty() && attempt < 100; ++attempt) {
        std::string name = target + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[random() % 62];
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary = name;
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    if (temporary.empty()) return EEXIST;
    if (::rename(temporary.c_str(), target.c_str()) != 0) return errno;
    temporary.clear();
    return 0;
}

void LimitChild() {
#ifndef GLIMMET_ASAN
    constexpr rlim_t kMemoryLimit = rlim_t{2} << 30;
    const rlimit memory{kMemoryLimit, kMemoryLimit};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit cpu{kCpuSeconds, kCpuSeconds};
    ::setrlimit(RLIMIT_CPU, &cpu);
}

}  // namespace

int main(int argc, char** argv) {
    const char kOption[] = "/convert=";
    const char kUsage[] =
        "usage: glimmet SOURCE /convert=TARGET\n"
        "  writes the picture SOURCE as an uncompressed 24-bit BMP file TARGET\n";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return std::fputs(kUsage, stdout), kExitConverted;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::printf("glimmet %s\n", CORVAMO_VERSION), kExitConverted;
    if (argc != 3 || std::strncmp(argv[2], kOption, sizeof kOption - 1) != 0 || argv[2][sizeof kOption - 1] == '\0')
        return Fail("usage: glimmet SOURCE /convert=TARGET"), kExitUsage;
    const char* source = argv[1];
    const char* target = argv[2] + sizeof kOption - 1;

    // Only a regular file (or a link to one) is replaced; a folder, a device or a pipe is not a
    // place for a bitmap, and a file that may not be written is not replaced either.
    struct stat existing {};
    if (::stat(target, &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) return Fail(std::string(target) + " is not a regular file; it is left alone");
        if (::access(target, W_OK) != 0)
            return Fail(std::string(target) + " may not be replaced: " + std::strerror(errno) + "; it is left alone");
    }
    std::string temporary;
    const int fd = NewFileBeside(target, temporary);
    if (fd < 0) return Fail(std::string("cannot write ") + target + ": " + std::strerror(errno));

    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // A decoder left running after glimmet was killed would hold its memory for nothing.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(kExitFailed);
        LimitChild();
        ::_exit(Convert(source, target, fd));
    }
    int status = 0;
    if (child < 0) {
        const int error = errno;
        ::close(fd);
        if (!temporary.empty()) ::unlink(temporary.c_str());
        return Fail(std::string("cannot start the decoder: ") + std::strerror(error));
    }
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kExitConverted) {
        const int error = NameFile(fd, target, temporary);
        ::close(fd);
        if (error == 0) return kExitConverted;
        if (!temporary.empty()) ::unlink(temporary.c_str());
        return Fail(std::string("cannot write ") + target + ": " + std::strerror(error));
    }
    ::close(fd);
    if (!temporary.empty()) ::unlink(temporary.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == kChildReported) return kExitFailed;
    const std::string how = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                                : "exit status " + std::to_string(WEXITSTATUS(status));
    return Fail(std::string("damaged picture: ") + source + " (its decoder ended with " + how + ")");
}
