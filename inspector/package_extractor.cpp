#include "package_extractor.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "package_reader.h"

namespace inspector {
namespace {

namespace fs = std::filesystem;

// A path for the terminal: a name's control bytes must not reach it raw.
std::string Shown(const fs::path& path) { return Printable(path.string()); }

// The components of a name that NameFault accepts.
std::vector<std::string> Components(const std::string& name) {
    std::vector<std::string> parts;
    for (std::size_t start = 1;;) {
        const std::size_t end = name.find('\\', start);
        parts.push_back(name.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// A descriptor closed when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens the folder `name` below the folder `parent` (made when missing) without following a
// link, so that a folder swapped for a link by someone else meanwhile is refused, never entered.
std::string OpenFolder(int parent, const std::string& name, const fs::path& path, Fd& folder) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = openat(parent, name.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT) {
        if (mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST) {
            const int why = errno;
            return "cannot create the folder " + Shown(path) + ": " + std::strerror(why);
        }
        fd = openat(parent, name.c_str(), kFlags);
    }
    if (fd < 0) {
        const int why = errno;
        struct stat info {};
        if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(info.st_mode)) return Shown(path) + " is a link; nothing is written through it";
            if (!S_ISDIR(info.st_mode)) return Shown(path) + " exists and is not a folder";
        }
        return "cannot open the folder " + Shown(path) + ": " + std::strerror(why);
    }
    folder = Fd(fd);
    return {};
}

// Creates a new file in the folder `parent`; an existing file or link of that name is never
// replaced.
int CreateNew(int parent, const std::string& name, const fs::path& path, std::string& error) {
    const int fd = openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int why = errno;
        error = why == EEXIST ? Shown(path) + " exists already; it is not replaced"
                              : "cannot create " + Shown(path) + ": " + std::strerror(why);
    }
    return fd;
}

bool WriteAll(int fd, const char* data, std::size_t count) {
    while (count != 0) {
        const ssize_t written = write(fd, data, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string CopyData(std::istream& rom, std::uint32_t size, int fd) {
    std::array<char, 65536> buffer;
    for (std::uint64_t left = size; left != 0;) {
        const std::size_t count = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        if (!rom.read(buffer.data(), static_cast<std::streamsize>(count))) return "the ROM cannot be read";
        if (!WriteAll(fd, buffer.data(), count)) return std::string("writing failed: ") + std::strerror(errno);
        left -= count;
    }
    return {};
}

// FreeImage writes the PNG through the file opened here, so it cannot follow a link either.
unsigned WriteProc(void* data, unsigned size, unsigned count, fi_handle handle) {
    return static_cast<unsigned>(std::fwrite(data, size, count, static_cast<std::FILE*>(handle)));
}
unsigned ReadProc(void*, unsigned, unsigned, fi_handle) { return 0; }
int SeekProc(fi_handle handle, long offset, int origin) {
    return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
}
long TellProc(fi_handle handle) { return std::ftell(static_cast<std::FILE*>(handle)); }

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};

// The picture16 item at the ROM's position as a PNG file; empty on success.
std::string WritePng(std::istream& rom, std::uint32_t size, int parent, const std::string& name, const fs::path& path) {
    std::array<unsigned char, 8> header;
    if (size < header.size() || !rom.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return "too short for a picture16 header";
    }
    const unsigned bits = header[2] | header[3] << 8, width = header[4] | header[5] << 8,
                   height = header[6] | header[7] << 8;
    if (header[0] != 'B' || header[1] != 'M' || bits != 16 || width % 4 != 0 ||
        size != 8 + std::uint64_t{width} * height * 2) {
        return "not a picture16 item (\"BM\", 16 bits, a width that is a multiple of 4, 8 + width x height x 2 bytes)";
    }
    if (width == 0 || height == 0) return "a picture16 item with no pixels";
    std::unique_ptr<FIBITMAP, BitmapDeleter> bitmap(
        FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    if (!bitmap) return "no memory for a " + std::to_string(width) + " x " + std::to_string(height) + " picture";
    std::vector<unsigned char> row(width * 2);
    auto widen = [](unsigned five) { return static_cast<BYTE>(five << 3 | five >> 2); };
    for (unsigned y = 0; y < height; ++y) {
        if (!rom.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()))) {
            return "the ROM cannot be read";
        }
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(height - 1 - y));  // stored bottom-up
        for (unsigned x = 0; x < width; ++x) {
            const unsigned value = row[2 * x] | row[2 * x + 1] << 8;
            line[3 * x + FI_RGBA_RED] = widen(value & 31);
            line[3 * x + FI_RGBA_GREEN] = widen(value >> 5 & 31);
            line[3 * x + FI_RGBA_BLUE] = widen(value >> 10 & 31);
        }
    }
    std::string error;
    const int fd = CreateNew(parent, name, path, error);
    if (fd < 0) return error;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        return "cannot write " + Shown(path);
    }
    FreeImageIO io{ReadProc, WriteProc, SeekProc, TellProc};
    const bool saved = FreeImage_SaveToHandle(FIF_PNG, bitmap.get(), &io, file, 0) != 0;
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !saved || !flushed) {
        unlinkat(parent, name.c_str(), 0);
        return "writing " + Shown(path) + " failed; the incomplete file was removed";
    }
    return {};
}

}  // namespace

bool IsPictureName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot - 1 < 3) return false;
    std::string first(name, dot + 1, 3);
    for (char& c : first) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    for (const char* kind : {"BMP", "GIF", "JPG", "ICO", "JPE", "LWF", "PIC", "PCX", "PSD", "TIF", "PNG"}) {
        if (first == kind) return true;
    }
    return false;
}

int ExtractPackage(const fs::path& romPath, const fs::path& dir, bool png, std::ostream& out, std::ostream& err) {
    std::ifstream rom;
    std::uint64_t size = 0;
    if (const auto problem = OpenRom(romPath, rom, size)) {
        err << ProblemLine(romPath.string(), *problem);
        out << "0 items written below " << dir.string() << ", 1 problems\n";
        return kExitProblem;
    }
    return ExtractPackage(rom, size, romPath.string(), dir, png, out, err);
}

int ExtractPackage(std::istream& romStream, std::uint64_t romSize, const std::string& romName, const fs::path& dir,
                   bool png, std::ostream& out, std::ostream& err) {
    // DIR itself is the user's choice and may be a link; below it, every folder is opened from
    // its parent's handle without following links.
    std::error_code error;
    fs::create_directories(dir, error);
    const Fd top(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (top.get() < 0) {
        err << "lindquay-ls: cannot create the folder " << dir.string() << "\n";
        return kExitProblem;
    }
    int failures = 0;
    std::uint64_t written = 0;
    auto skip = [&](const Item& item, const std::string& why) {
        err << "lindquay-ls: not extracted: " << Printable(item.name) << " (byte " << item.offset << "): " << why
            << "\n";
        ++failures;
    };
    const WalkResult walk =
        WalkPackage(romStream, romSize, Checks::kStructure, [&](const Item& item, std::istream& rom) {
            if (const std::string fault = NameFault(item.name); !fault.empty()) {
                skip(item, "the name " + fault);
                return std::optional<Problem>();
            }
            const std::vector<std::string> parts = Components(item.name);
            fs::path path = dir;
            const std::size_t folders = item.isDir == 1 ? parts.size() : parts.size() - 1;
            Fd folder;
            for (std::size_t i = 0; i < folders; ++i) {
                path /= parts[i];
                Fd inner;
                if (const std::string fault = OpenFolder(i == 0 ? top.get() : folder.get(), parts[i], path, inner);
                    !fault.empty()) {
                    skip(item, fault);
                    return std::optional<Problem>();
                }
                folder = std::move(inner);
            }
            const int parent = folders == 0 ? top.get() : folder.get();
            if (item.isDir == 1) {
                ++written;
                return std::optional<Problem>();
            }
            path /= parts.back();
            std::string fault;
            const int fd = CreateNew(parent, parts.back(), path, fault);
            if (fd >= 0) {
                fault = CopyData(rom, item.dataSize, fd);
                if (close(fd) != 0 && fault.empty()) fault = "writing " + Shown(path) + " failed";
                // It was made here: a truncated copy is not left to pass for the item.
                if (!fault.empty() && unlinkat(parent, parts.back().c_str(), 0) == 0)
                    fault += "; the incomplete file was removed";
            }
            if (!fault.empty()) {
                skip(item, fault);
                return std::optional<Problem>();
            }
            ++written;
            if (png && IsPictureName(item.name)) {
                rom.clear();
                rom.seekg(static_cast<std::streamoff>(item.dataOffset()));
                fs::path pngPath = path;
                pngPath += ".png";
                if (const std::string pngFault = WritePng(rom, item.dataSize, parent, parts.back() + ".png", pngPath);
                    !pngFault.empty()) {
                    err << "lindquay-ls: no PNG for " << Printable(item.name) << " (byte " << item.offset
                        << "): " << pngFault << "\n";
                    ++failures;
                } else {
                    out << "picture " << Printable(item.name) << " -> " << Shown(pngPath) << "\n";
                }
            }
            return std::optional<Problem>();
        });
    if (walk.problem) {
        err << ProblemLine(romName, *walk.problem);
        ++failures;
    }
    out << written << " items written below " << dir.string();
    if (failures != 0) out << ", " << failures << " problems";
    out << "\n";
    return failures == 0 ? kExitOk : kExitProblem;
}

}  // namespace inspector
