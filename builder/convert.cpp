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
