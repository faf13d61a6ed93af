// What a file contributes to the package: pages become text through Marlet, pictures become
// picture16 (other pictures through glimmet first), everything else is packed unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "bmp_format.h"
#include "host.h"
#include "lindquay.h"

namespace lindquay {

enum class FileKind { HtmlPage, BmpPicture, OtherPicture, Plain };
FileKind ClassifyFile(const std::string& entryName);

// A bitmap, checked, whose picture16 goes straight into the package: its rows are read and
// converted while the package is written.
class Picture16Source {
public:
    // Takes the open bitmap; empty, or why it cannot be packed.
    std::string Open(InputFile bitmap);
    // The picture16's length in bytes: its header and width4 x rows pixels.
    std::uint32_t size() const;
    // Hands the picture16 to `write` in pieces of a few hundred KiB; why not, when the bitmap
    // cannot be read ("" when `write` refused a piece: its own failure).
    using Writer = std::function<bool(const std::uint8_t* data, std::size_t size)>;
    std::optional<std::string> WriteTo(const Writer& write);

private:
    std::optional<InputFile> bitmap_;
    BmpFormat format_;
    std::array<std::uint8_t, 1024> palette_{};
};

// Turns other pictures into bitmaps with glimmet: through one `glimmet --serve` for the whole
// build when the glimmet found is the project's own, its bitmaps in memory; else, and whenever the
// served one is lost, one `glimmet SOURCE /convert=BITMAPPATH` per picture, as always.
class PictureConverter {
public:
    explicit PictureConverter(std::string progDir) : progDir_(std::move(progDir)) {}
    // The bitmap of the picture at sourcePath, open; or why there is none.
    struct Result {
        std::string refusal;
        std::optional<InputFile> bitmap;
    };
    Result Convert(const std::string& sourcePath, const std::string& bitmapPath);

private:
    void StartServer();
    std::string progDir_;
    bool serverTried_ = false;
    std::unique_ptr<ServerProcess> server_;
};

struct EntryData {
    std::string refusal;  // why the file cannot be packed; empty: its bytes are in `path` or `picture`
    std::string path;
    bool temporary = false;                    // a file of the conversion, deleted once packed
    std::unique_ptr<Picture16Source> picture;  // a picture: its picture16 is packed
};
// `openedSource`, when set, is the source already open: a BMP is read through it (and takes it
// over).
EntryData PrepareEntryData(const BuildState& state, FileKind kind, const std::string& sourcePath,
                           const FileRemover& removeFile, PictureConverter& pictures, std::optional<InputFile>& opened);

// Reads a BMP and writes it as picture16 at `outPath`. On failure returns 1, prints a message
// that starts with a line break and leaves no file at `outPath`.
int LoadBmp16(const std::string& bitmapPath, const std::string& outPath, std::ostream& out);

}  // namespace lindquay
