// What a file contributes to the package: pages become text through Marlet, pictures become
// picture16 (other pictures through glimmet first), everything else is packed unchanged.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "bmp_format.h"
#include "lindquay.h"

namespace lindquay {

enum class FileKind { HtmlPage, BmpPicture, OtherPicture, Plain };
FileKind ClassifyFile(const std::string& entryName);

struct EntryData {
    std::string refusal;  // why the file cannot be packed; empty: its bytes are in `path`
    std::string path;
    bool temporary = false;  // a file of the conversion, deleted once packed
};
EntryData PrepareEntryData(const BuildState& state, FileKind kind, const std::string& sourcePath,
                           const FileRemover& removeFile);

// Reads a BMP and writes it as picture16 at `outPath`. On failure returns 1, prints a message
// that starts with a line break and leaves no file at `outPath`.
int LoadBmp16(const std::string& bitmapPath, const std::string& outPath, std::ostream& out);

}  // namespace lindquay
