// What a file contributes to the package: pages become text through Marlet, pictures become
// picture16 (other pictures through glimmet first), everything else is packed unchanged.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "lindquay.h"
#include "marlet.h"

extern char** environ;

namespace lindquay {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint16_t Pixel16(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint16_t>((blue & 0xF8) << 7 | (green & 0xF8) << 2 | red >> 3);
}

int Fail(std::ostream& out, const std::string& reason) {
    out << "\nERROR: " << reason << "\n";
    return 1;
}

// Reads exactly `size` bytes at `at`; returns the count read.
std::size_t ReadAt(int fd, std::uint8_t* p, std::size_t size, std::uint64_t at) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, p + done, size - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

FileKind ClassifyFile(const std::string& entryName) {
    const std::size_t dot = entryName.rfind('.');
    if (dot == std::string::npos) return FileKind::Plain;
    std::string ext = entryName.substr(dot + 1);
    for (char& c : ext) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x61 && b <= 0x7F) c = static_cast<char>(b - 32);
    }
    if (ext == "HTM" || ext == "HTML") return FileKind::HtmlPage;
    if (ext == "BMP") return FileKind::BmpPicture;
    static const char* const kPictures[] = {"BMP", "GIF", "JPG", "ICO", "JPE", "LWF",
                                            "PIC", "PCX", "PSD", "TIF", "PNG"};
    if (ext.size() >= 3 && std::any_of(std::begin(kPictures), std::end(kPictures),
                                       [&](const char* p) { return ext.compare(0, 3, p) == 0; }))
        return FileKind::OtherPicture;
    return FileKind::Plain;
}

int RunAndWait(const std::string& workFolder, const std::vector<std::string>& argv, int& error) {
    // The builder's own folder comes first, as the original program search did.
    const std::string local = workFolder + argv[0];
    const bool useLocal = IsExecutableFile(local);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workFolder.c_str());
    pid_t pid = 0;
    error = useLocal ? posix_spawn(&pid, local.c_str(), &actions, nullptr, args.data(), environ)
                     : posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
    return status;
}

int LoadBmp16(const std::string& bitmapPath, const std::string& outPath, std::ostream& out) {
    Fd in{::open(bitmapPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (in.fd < 0) return Fail(out, "cannot open the bitmap: " + std::string(std::strerror(errno)));
    struct stat st {};
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return Fail(out, "the bitmap is not a regular file");
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);

    std::array<std::uint8_t, 54> header{};
    const std::size_t got = ReadAt(in.fd, header.data(), header.size(), 0);
    if (got < 2 || header[0] != 'B' || header[1] != 'M') return Fail(out, "not a BMP file");
    if (got < header.size()) return Fail(out, "BMP header is truncated");
    const std::uint32_t offset = Le32(&header[10]);
    const std::uint32_t infoSize = Le32(&header[14]);
    const auto width = static_cast<std::int32_t>(Le32(&header[18]));
    const auto height = static_cast<std::int32_t>(Le32(&header[22]));
    const std::uint16_t depth = Le16(&header[28]);
    if (infoSize < 40) return Fail(out, "BMP header of " + std::to_string(infoSize) + " bytes not supported");
    if (Le16(&header[30]) != 0) return Fail(out, "compressed BMP not supported");
    if (depth != 8 && depth != 24 && depth != 32)
        return Fail(out, "BMP of " + std::to_string(depth) + " bits per pixel not supported");
    if (width < 1 || height == 0)
        return Fail(out, "BMP of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is not valid");
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::int64_t width4 = (static_cast<std::int64_t>(width) + 3) & ~std::int64_t{3};
    if (width4 > 0xFFFF || rows > 0xFFFF)
        return Fail(out, "BMP of " + std::to_string(width) + " x " + std::to_string(rows) + " pixels is too large");

    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(width) * depth / 8;
    const std::uint64_t rowLength = (pixelBytes + 3) & ~std::uint64_t{3};
    const std::uint64_t wanted = rowLength * static_cast<std::uint64_t>(rows);
    const std::uint64_t present = fileSize > offset ? fileSize - offset : 0;
    if (present < wanted) {
        out << "\nERROR: READLEN NOT EQUARE WANTED!  " << present << "\n";
        return 1;
    }
    // Package sizes are 32-bit: the picture16 of a bitmap that holds 4 GiB of pixels (a sparse
    // file costs nothing) would be written in full, filling the disk, only to be refused.
    if (8 + static_cast<std::uint64_t>(width4) * static_cast<std::uint64_t>(rows) * 2 > 0xFFFFFFFFu)
        return Fail(out, "BMP of " + std::to_string(width) + " x " + std::to_string(rows) +
                             " pixels is too large: its picture16 would be 4 GiB or more");

    // Always 256 entries; a shorter palette of a small file reads as black past its end.
    std::array<std::uint8_t, 1024> palette{};
    if (depth == 8) ReadAt(in.fd, palette.data(), palette.size(), 14 + static_cast<std::uint64_t>(infoSize));

    Fd dst{::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (dst.fd < 0) return Fail(out, "cannot create " + outPath + ": " + std::strerror(errno));
    auto failAndRemove = [&](const std::string& reason) {
        ::unlink(outPath.c_str());
        return Fail(out, reason);
    };

    std::vector<std::uint8_t> result;
    const std::uint8_t head[8] = {'B',
                                  'M',
                                  16,
                                  0,
                                  static_cast<std::uint8_t>(width4),
                                  static_cast<std::uint8_t>(width4 >> 8),
                                  static_cast<std::uint8_t>(rows),
                                  static_cast<std::uint8_t>(rows >> 8)};
    result.assign(head, head + 8);

    // Rows go out top first; a bottom-up bitmap is read in blocks from its end.
    const bool bottomUp = height > 0;
    const std::int64_t blockRows = std::max<std::int64_t>(1, static_cast<std::int64_t>((256 * 1024) / rowLength));
    std::vector<std::uint8_t> block;
    const std::size_t outRowBytes = static_cast<std::size_t>(width4) * 2;
    const std::size_t bytesPerPixel = depth / 8u;
    for (std::int64_t top = 0; top < rows; top += blockRows) {
        const std::int64_t n = std::min(blockRows, rows - top);
        const std::int64_t firstFileRow = bottomUp ? rows - top - n : top;
        block.resize(static_cast<std::size_t>(n * static_cast<std::int64_t>(rowLength)));
        if (ReadAt(in.fd, block.data(), block.size(), offset + static_cast<std::uint64_t>(firstFileRow) * rowLength) !=
            block.size())
            return failAndRemove("read error in the bitmap's pixels");
        for (std::int64_t i = 0; i < n; ++i) {
            const std::int64_t fileRow = bottomUp ? rows - 1 - (top + i) : top + i;
            const std::uint8_t* p = block.data() + (fileRow - firstFileRow) * static_cast<std::int64_t>(rowLength);
            const std::size_t rowStart = result.size();
            result.resize(rowStart + outRowBytes, 0);
            std::uint8_t* q = result.data() + rowStart;
            for (std::int32_t x = 0; x < width; ++x, p += bytesPerPixel, q += 2) {
                const std::uint8_t* bgr = depth == 8 ? &palette[static_cast<std::size_t>(*p) * 4] : p;
                const std::uint16_t v = Pixel16(bgr[0], bgr[1], bgr[2]);
                q[0] = static_cast<std::uint8_t>(v);
                q[1] = static_cast<std::uint8_t>(v >> 8);
            }
        }
        if (result.size() >= 256 * 1024) {
            if (!WriteAll(dst.fd, result.data(), result.size()))
                return failAndRemove("cannot write " + outPath + ": " + std::strerror(errno));
            result.clear();
        }
    }
    if (!WriteAll(dst.fd, result.data(), result.size()))
        return failAndRemove("cannot write " + outPath + ": " + std::strerror(errno));
    const int fd = dst.fd;
    dst.fd = -1;
    if (::close(fd) != 0) return failAndRemove("cannot write " + outPath + ": " + std::strerror(errno));
    return 0;
}

EntryData PrepareEntryData(const BuildState& state, std::ostream& out, const std::string& sourcePath,
                           const std::string& entryName) {
    const FileKind kind = ClassifyFile(entryName);
    if (kind == FileKind::Plain) return EntryData{0, sourcePath, false};

    if (kind == FileKind::HtmlPage) {
        const std::string text = state.progDir + "tmp.htm";
        const int rc = Marlet(sourcePath.c_str(), text.c_str());
        if (rc != 0) {
            Fail(out, "the page could not be turned into text (Marlet result " + std::to_string(rc) + ")");
            return {};
        }
        return EntryData{0, text, true};
    }

    std::string bitmap = sourcePath;
    if (kind == FileKind::OtherPicture) {
        bitmap = state.progDir + "tmp.bmp";
        // A converter that fails without writing must not leave the last picture to be packed.
        if (::unlink(bitmap.c_str()) != 0 && errno != ENOENT) {
            Fail(out, "cannot remove " + bitmap + ": " + std::strerror(errno));
            return {};
        }
        out.flush();  // the converter's own messages come after the name
        int error = 0;
        const int status = RunAndWait(state.progDir, {"glimmet", sourcePath, "/convert=" + bitmap}, error);
        if (status == -1) {
            Fail(out, "glimmet could not be started: " + std::string(std::strerror(error)));
            return {};
        }
        if (::access(bitmap.c_str(), F_OK) != 0) {
            const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                                      : "signal " + std::to_string(WTERMSIG(status));
            Fail(out, "glimmet left no bitmap (" + how + ")");
            return {};
        }
    }
    const std::string picture = state.progDir + "transFile.jpg";
    if (LoadBmp16(bitmap, picture, out) != 0) return {};
    return EntryData{0, picture, true};
}

}  // namespace lindquay
