#include "convert.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "host.h"
#include "listing.h"
#include "marlet.h"

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

std::string Pixels(std::int64_t width, std::int64_t height) {
    return "BMP of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// The picture16 rows, top row first, after the picture16 header; why not, when they cannot be
// written.
std::string WriteRows(const BmpFormat& format, InputFile& in, const std::uint8_t* palette, OutputFile& dst,
                      const std::string& outPath) {
    const auto cannotWrite = [&] { return "cannot write " + outPath + ": " + std::strerror(dst.error()); };
    const std::uint8_t head[8] = {'B',
                                  'M',
                                  16,
                                  0,
                                  static_cast<std::uint8_t>(format.width4),
                                  static_cast<std::uint8_t>(format.width4 >> 8),
                                  static_cast<std::uint8_t>(format.rows),
                                  static_cast<std::uint8_t>(format.rows >> 8)};
    std::vector<std::uint8_t> result(head, head + 8);
    // A bottom-up bitmap is read in blocks from its end.
    const auto rowLength = static_cast<std::int64_t>(format.rowLength);
    const std::int64_t blockRows = std::max<std::int64_t>(1, (256 * 1024) / rowLength);
    const std::size_t outRowBytes = std::size_t{format.width4} * 2;
    std::vector<std::uint8_t> block;
    for (std::int64_t top = 0; top < format.rows; top += blockRows) {
        const std::int64_t n = std::min(blockRows, format.rows - top);
        const std::int64_t firstFileRow = format.bottomUp ? format.rows - top - n : top;
        block.resize(static_cast<std::size_t>(n * rowLength));
        if (in.ReadAt(block.data(), block.size(),
                      format.pixelOffset + static_cast<std::uint64_t>(firstFileRow * rowLength)) != block.size())
            return "read error in the bitmap's pixels";
        for (std::int64_t i = 0; i < n; ++i) {
            const std::int64_t fileRow = format.bottomUp ? format.rows - 1 - (top + i) : top + i;
            const std::size_t rowStart = result.size();
            result.resize(rowStart + outRowBytes);
            ConvertRow(format, block.data() + (fileRow - firstFileRow) * rowLength, palette, result.data() + rowStart);
        }
        if (result.size() >= 256 * 1024) {
            if (!dst.WriteAll(result.data(), result.size())) return cannotWrite();
            result.clear();
        }
    }
    if (!dst.WriteAll(result.data(), result.size()) || !dst.Close()) return cannotWrite();
    return {};
}

// The picture16 of the bitmap written at outPath (with createNew, only as a new file); why not,
// when it cannot be, leaving no file.
std::string WritePicture16(const std::string& bitmapPath, const std::string& outPath, bool createNew) {
    InputFile in(bitmapPath);
    if (in.error() != 0) return "cannot open the bitmap: " + std::string(std::strerror(in.error()));
    const FileInfo info = in.Info();
    if (info.error != 0 || !info.regular) return "the bitmap is not a regular file";
    std::array<std::uint8_t, 54> header{};
    const std::size_t got = in.ReadAt(header.data(), header.size(), 0);
    const BmpFormat format = ParseBmpHeader(header.data(), got, info.size);
    if (!format.refusal.empty()) return format.refusal;

    // Always 256 entries; a shorter palette of a small file reads as black past its end.
    std::array<std::uint8_t, 1024> palette{};
    if (format.depth == 8) in.ReadAt(palette.data(), palette.size(), 14 + std::uint64_t{format.infoSize});

    OutputFile dst(outPath, createNew);
    if (dst.error() != 0) return "cannot create " + outPath + ": " + std::strerror(dst.error());
    const std::string refusal = WriteRows(format, in, palette.data(), dst, outPath);
    if (!refusal.empty()) RemoveFile(outPath);
    return refusal;
}

EntryData Refuse(std::string reason) { return EntryData{std::move(reason), {}, false}; }

// A temporary file of the program folder is removed before it is written and then made anew, so
// that a link put in its place is never written through. Empty when it was removed.
std::string RemoveTemporary(const std::string& path, const FileRemover& removeFile) {
    if (const int error = removeFile(path); error != 0 && error != ENOENT)
        return "cannot remove " + path + ": " + std::strerror(error);
    return {};
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

BmpFormat ParseBmpHeader(const std::uint8_t* header, std::size_t length, std::uint64_t fileSize) {
    BmpFormat f;
    const auto refuse = [&f](std::string reason) {
        f.refusal = std::move(reason);
        return f;
    };
    if (length < 2 || header[0] != 'B' || header[1] != 'M') return refuse("not a BMP file");
    if (length < 54) return refuse("BMP header is truncated");
    f.pixelOffset = Le32(header + 10);
    f.infoSize = Le32(header + 14);
    f.width = static_cast<std::int32_t>(Le32(header + 18));
    const auto height = static_cast<std::int32_t>(Le32(header + 22));
    f.depth = Le16(header + 28);
    if (f.infoSize < 40) return refuse("BMP header of " + std::to_string(f.infoSize) + " bytes not supported");
    if (Le16(header + 30) != 0) return refuse("compressed BMP not supported");
    if (f.depth != 8 && f.depth != 24 && f.depth != 32)
        return refuse("BMP of " + std::to_string(f.depth) + " bits per pixel not supported");
    if (f.width < 1 || height == 0) return refuse(Pixels(f.width, height) + " is not valid");
    f.rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    f.bottomUp = height > 0;
    const std::int64_t width4 = (static_cast<std::int64_t>(f.width) + 3) & ~std::int64_t{3};
    if (width4 > 0xFFFF || f.rows > 0xFFFF) return refuse(Pixels(f.width, f.rows) + " is too large");
    f.width4 = static_cast<std::uint32_t>(width4);

    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(f.width) * f.depth / 8;
    f.rowLength = (pixelBytes + 3) & ~std::uint64_t{3};
    const std::uint64_t wanted = f.rowLength * static_cast<std::uint64_t>(f.rows);
    const std::uint64_t present = fileSize > f.pixelOffset ? fileSize - f.pixelOffset : 0;
    if (present < wanted) return refuse("READLEN NOT EQUARE WANTED!  " + std::to_string(present));
    // Package sizes are 32-bit: the picture16 of a bitmap that holds 4 GiB of pixels (a sparse
    // file costs nothing) would be written in full, filling the disk, only to be refused.
    if (8 + std::uint64_t{f.width4} * static_cast<std::uint64_t>(f.rows) * 2 > 0xFFFFFFFFu)
        return refuse(Pixels(f.width, f.rows) + " is too large: its picture16 would be 4 GiB or more");
    return f;
}

void ConvertRow(const BmpFormat& format, const std::uint8_t* row, const std::uint8_t* palette,
                std::uint8_t* picture16Row) {
    const std::size_t bytesPerPixel = format.depth / 8u;
    std::uint8_t* q = picture16Row;
    for (std::int32_t x = 0; x < format.width; ++x, row += bytesPerPixel, q += 2) {
        const std::uint8_t* bgr = format.depth == 8 ? palette + std::size_t{*row} * 4 : row;
        const std::uint16_t v = Pixel16(bgr[0], bgr[1], bgr[2]);
        q[0] = static_cast<std::uint8_t>(v);
        q[1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::fill(q, picture16Row + std::size_t{format.width4} * 2, std::uint8_t{0});
}

int LoadBmp16(const std::string& bitmapPath, const std::string& outPath, std::ostream& out) {
    const std::string refusal = WritePicture16(bitmapPath, outPath, false);
    if (refusal.empty()) return 0;
    Listing(out).Refused(refusal);
    return 1;
}

EntryData PrepareEntryData(const BuildState& state, FileKind kind, const std::string& sourcePath,
                           const FileRemover& removeFile) {
    if (kind == FileKind::Plain) return EntryData{{}, sourcePath, false};

    if (kind == FileKind::HtmlPage) {
        const std::string text = state.progDir + kTextFile;
        if (std::string refusal = RemoveTemporary(text, removeFile); !refusal.empty())
            return Refuse(std::move(refusal));
        OutputFile created(text, true);
        if (created.error() != 0) return Refuse("cannot create " + text + ": " + std::strerror(created.error()));
        // Marlet writes the file just made, even when another name was put in its place meanwhile.
        const std::string opened = Exists(created.OpenedPath()) ? created.OpenedPath() : text;
        const int rc = Marlet(sourcePath.c_str(), opened.c_str());
        created.Close();
        if (rc != 0) return Refuse("the page could not be turned into text (Marlet result " + std::to_string(rc) + ")");
        return EntryData{{}, text, true};
    }

    std::string bitmap = sourcePath;
    if (kind == FileKind::OtherPicture) {
        bitmap = state.progDir + kBitmapFile;
        // A converter that fails without writing must not leave the last picture to be packed.
        if (std::string refusal = RemoveTemporary(bitmap, removeFile); !refusal.empty())
            return Refuse(std::move(refusal));
        int error = 0;
        const int status = RunAndWait(state.progDir, {"glimmet", sourcePath, "/convert=" + bitmap}, error);
        if (status == -1) return Refuse("glimmet could not be started: " + std::string(std::strerror(error)));
        if (!Exists(bitmap)) return Refuse("glimmet left no bitmap (" + HowItEnded(status) + ")");
    }
    const std::string picture = state.progDir + kPictureFile;
    if (std::string refusal = RemoveTemporary(picture, removeFile); !refusal.empty()) return Refuse(std::move(refusal));
    if (std::string refusal = WritePicture16(bitmap, picture, true); !refusal.empty())
        return Refuse(std::move(refusal));
    return EntryData{{}, picture, true};
}

}  // namespace lindquay
