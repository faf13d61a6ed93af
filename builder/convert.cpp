#include "convert.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "glimmet_serve.h"
#include "host.h"
#include "listing.h"
#include "marlet.h"

namespace lindquay {

namespace {

EntryData Refuse(std::string reason) { return EntryData{std::move(reason), {}, false, nullptr}; }

// A temporary file of the program folder is removed before it is written and then made anew, so
// that a link put in its place is never written through. Empty when it was removed.
std::string RemoveTemporary(const std::string& path, const FileRemover& removeFile) {
    if (const int error = removeFile(path); error != 0 && error != ENOENT)
        return "cannot remove " + path + ": " + std::strerror(error);
    return {};
}

}  // namespace

std::string Picture16Source::Open(InputFile bitmap) {
    if (bitmap.error() != 0) return "cannot open the bitmap: " + std::string(std::strerror(bitmap.error()));
    const FileInfo info = bitmap.Info();
    if (info.error != 0 || !info.regular) return "the bitmap is not a regular file";
    std::array<std::uint8_t, 54> header{};
    const std::size_t got = bitmap.ReadAt(header.data(), header.size(), 0);
    format_ = ParseBmpHeader(header.data(), got, info.size);
    if (!format_.refusal.empty()) return format_.refusal;
    // Always 256 entries; a shorter palette of a small file reads as black past its end.
    if (format_.depth == 8) bitmap.ReadAt(palette_.data(), palette_.size(), 14 + std::uint64_t{format_.infoSize});
    bitmap_.emplace(std::move(bitmap));
    return {};
}

std::uint32_t Picture16Source::size() const {
    // The header check refuses a picture16 of 4 GiB or more.
    return static_cast<std::uint32_t>(8 + std::uint64_t{format_.width4} * static_cast<std::uint64_t>(format_.rows) * 2);
}

std::optional<std::string> Picture16Source::WriteTo(const Writer& write) {
    const std::uint8_t head[8] = {'B',
                                  'M',
                                  16,
                                  0,
                                  static_cast<std::uint8_t>(format_.width4),
                                  static_cast<std::uint8_t>(format_.width4 >> 8),
                                  static_cast<std::uint8_t>(format_.rows),
                                  static_cast<std::uint8_t>(format_.rows >> 8)};
    if (!write(head, sizeof head)) return std::string();
    // A bottom-up bitmap is read in blocks from its end; each block's rows go out top row first.
    const auto rowLength = static_cast<std::int64_t>(format_.rowLength);
    const std::int64_t blockRows = std::max<std::int64_t>(1, (256 * 1024) / rowLength);
    const std::size_t outRowBytes = std::size_t{format_.width4} * 2;
    std::vector<std::uint8_t> block, rows;
    for (std::int64_t top = 0; top < format_.rows; top += blockRows) {
        const std::int64_t n = std::min(blockRows, format_.rows - top);
        const std::int64_t firstFileRow = format_.bottomUp ? format_.rows - top - n : top;
        block.resize(static_cast<std::size_t>(n * rowLength));
        if (bitmap_->ReadAt(block.data(), block.size(),
                            format_.pixelOffset + static_cast<std::uint64_t>(firstFileRow * rowLength)) != block.size())
            return "read error in the bitmap's pixels";
        rows.resize(static_cast<std::size_t>(n) * outRowBytes);
        for (std::int64_t i = 0; i < n; ++i) {
            const std::int64_t fileRow = format_.bottomUp ? format_.rows - 1 - (top + i) : top + i;
            ConvertRow(format_, block.data() + (fileRow - firstFileRow) * rowLength, palette_.data(),
                       rows.data() + static_cast<std::size_t>(i) * outRowBytes);
        }
        if (!write(rows.data(), rows.size())) return std::string();
    }
    return std::nullopt;
}

PictureConverter::Result PictureConverter::Convert(const std::string& sourcePath, const std::string& bitmapPath) {
    if (!serverTried_) StartServer();
    if (server_) {
        // The request, and the memory file the served glimmet writes the bitmap into.
        const std::string request = sourcePath + '\0' + bitmapPath + '\0';
        InputFile memory = InputFile::Adopt(MemoryFile("glimmet bitmap"));
        std::int32_t code = -1;
        if (memory.error() == 0 && server_->Send(request.data(), request.size(), memory.descriptor()) &&
            server_->Receive(&code, sizeof code) == sizeof code) {
            if (code != 0) return {"glimmet left no bitmap (exit status " + std::to_string(code) + ")", std::nullopt};
            return {{}, std::move(memory)};
        }
        // Lost: this picture and the rest of the build go through one glimmet each.
        server_->Kill();
        server_.reset();
    }
    int error = 0;
    const int status = RunAndWait(progDir_, {"glimmet", sourcePath, "/convert=" + bitmapPath}, error);
    if (status == -1) return {"glimmet could not be started: " + std::string(std::strerror(error)), std::nullopt};
    if (!Exists(bitmapPath)) return {"glimmet left no bitmap (" + HowItEnded(status) + ")", std::nullopt};
    return {{}, InputFile(bitmapPath)};
}

void PictureConverter::StartServer() {
    serverTried_ = true;
    const std::string program = FindProgram(progDir_, "glimmet");
    if (program.empty() || !FileContains(program, kGlimmetGreeting)) return;
    auto server = std::make_unique<ServerProcess>(progDir_, program, std::vector<std::string>{"glimmet", "--serve"});
    if (!server->started()) return;
    // Ours answers at once; one that does not is ended and not used.
    constexpr int kGreetingMs = 10000;
    char greeting[sizeof kGlimmetGreeting] = {};
    const std::int64_t got = server->Receive(greeting, sizeof greeting, kGreetingMs);
    if (got != sizeof kGlimmetGreeting - 1 ||
        std::memcmp(greeting, kGlimmetGreeting, sizeof kGlimmetGreeting - 1) != 0) {
        server->Kill();
        return;
    }
    server_ = std::move(server);
}

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
    Picture16Source picture;
    std::string refusal = picture.Open(InputFile(bitmapPath));
    if (refusal.empty()) {
        OutputFile dst(outPath);
        if (dst.error() != 0) {
            refusal = "cannot create " + outPath + ": " + std::strerror(dst.error());
        } else {
            const auto failed =
                picture.WriteTo([&](const std::uint8_t* data, std::size_t size) { return dst.WriteAll(data, size); });
            if (failed || !dst.Close()) {
                refusal = failed && !failed->empty() ? *failed
                                                     : "cannot write " + outPath + ": " + std::strerror(dst.error());
            }
        }
        if (!refusal.empty()) RemoveFile(outPath);
    }
    if (refusal.empty()) return 0;
    Listing(out).Refused(refusal);
    return 1;
}

EntryData PrepareEntryData(const BuildState& state, FileKind kind, const std::string& sourcePath,
                           const FileRemover& removeFile, PictureConverter& pictures,
                           std::optional<InputFile>& openedSource) {
    if (kind == FileKind::Plain) return EntryData{{}, sourcePath, false, nullptr};

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
        return EntryData{{}, text, true, nullptr};
    }

    std::optional<InputFile> bitmap;
    if (kind == FileKind::BmpPicture && openedSource) {
        bitmap.emplace(std::move(*openedSource));
        openedSource.reset();
    }
    if (kind == FileKind::OtherPicture) {
        const std::string bitmapPath = state.progDir + kBitmapFile;
        // A converter that fails without writing must not leave the last picture to be packed.
        if (std::string refusal = RemoveTemporary(bitmapPath, removeFile); !refusal.empty())
            return Refuse(std::move(refusal));
        PictureConverter::Result converted = pictures.Convert(sourcePath, bitmapPath);
        if (!converted.refusal.empty()) return Refuse(std::move(converted.refusal));
        bitmap = std::move(converted.bitmap);
    }
    // The picture16 goes straight into the package; a transFile.jpg left from an earlier build, or
    // put in its place, still goes first, as it did when the picture16 was written there.
    const std::string picture = state.progDir + kPictureFile;
    if (std::string refusal = RemoveTemporary(picture, removeFile); !refusal.empty()) return Refuse(std::move(refusal));
    EntryData data;
    data.picture = std::make_unique<Picture16Source>();
    if (std::string refusal = data.picture->Open(bitmap ? std::move(*bitmap) : InputFile(sourcePath)); !refusal.empty())
        return Refuse(std::move(refusal));
    return data;
}

}  // namespace lindquay
