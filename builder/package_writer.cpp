#include "package_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "convert.h"
#include "host.h"

namespace lindquay {

namespace {

constexpr std::size_t kRecordSize = record::kSize;
constexpr std::size_t kMaxName = record::kNameSize - 1;  // the name field holds a NUL too
constexpr std::uint8_t kFillByte = 0x21;
constexpr std::size_t kCopyBlock = 64 * 1024;
// A host name may hold the package's separator; packed, it would read as other folders (or as
// "..") on the loader.
constexpr char kSeparatorInName[] = "name holds a \"\\\", the package's folder separator";
// Two items of one name are one item to the loader: the second would hide the first, or mix two
// folders (an FSDir that holds a .shell folder of its own next to the program's).
constexpr char kNameUsed[] = "the name is used already in the package";
// Offsets in the ROM are 32-bit: a package past 4 GiB cannot be addressed.
constexpr std::uint64_t kRomLimit = std::uint64_t{1} << 32;
constexpr char kShellRoot[] = "\\.shell";

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Unsigned bytes, a prefix before its extensions: std::string compares through memcmp.
void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return a.compare(b) < 0; });
}

class Walker {
public:
    Walker(BuildState& state, Listing& listing, PackageOutput& rom, const FolderLister& lister,
           const FileRemover& removeFile, FileId outputId, FileId replacedId)
        : state_(state),
          listing_(listing),
          rom_(rom),
          lister_(lister),
          removeFile_(removeFile),
          outputId_(outputId),
          replacedId_(replacedId) {
        programFolderId_ = StatFile(state.progDir).id;
    }

    // A root gets no item of its own; `rel` is the package name its entries start with.
    void AddRoot(const std::string& hostDir, const std::string& rel, bool isShell) {
        FolderListing listing = lister_(hostDir);
        if (listing.error == ENOENT && isShell) return;  // the ".shell" folder is optional
        if (isShell) used_.insert(kShellRoot);
        if (listing.error == ENOENT) return listing_.FsDirMissing(hostDir);
        if (listing.error != 0) return listing_.FolderNotListed(hostDir, listing.error);
        if (!listing.pseudo.empty()) return listing_.RootIsPseudo(isShell ? "" : "FSDir ", hostDir, listing.pseudo);
        ancestors_.assign(1, listing.id);
        AddFolder(hostDir, rel, listing);
    }

    // The walk stopped before the package would pass 4 GiB.
    bool full() const { return full_; }

private:
    void AddFolder(const std::string& dir, const std::string& rel, FolderListing& listing) {
        state_.totalDirs += static_cast<std::int32_t>(listing.folders.size());
        state_.totalFiles += static_cast<std::int32_t>(listing.files.size());
        SortNames(listing.folders);
        SortNames(listing.files);

        for (const std::string& name : listing.folders) {
            if (full_) return;
            const std::string r = rel + "\\" + name;
            const std::string path = dir + name + "/";
            if (r.size() > kMaxName) {
                listing_.FolderRefused(r, "name longer than 259 bytes; folder not packed");
                continue;
            }
            if (name.find('\\') != std::string::npos) {
                listing_.FolderRefused(r, std::string(kSeparatorInName) + "; folder not packed");
                continue;
            }
            if (used_.count(r) != 0) {
                listing_.FolderRefused(r, std::string(kNameUsed) + "; folder not packed");
                continue;
            }
            FolderListing child = lister_(path);
            if (!child.pseudo.empty()) {
                listing_.FolderIsPseudo(r, child.pseudo);
                continue;
            }
            if (child.error == 0 && std::find(ancestors_.begin(), ancestors_.end(), child.id) != ancestors_.end()) {
                listing_.FolderRefused(r, "folder is its own ancestor through a link; not followed");
                continue;
            }
            if (!Fits(kRecordSize)) {
                full_ = true;
                listing_.FolderRefused(r, Listing::kPackageFull);
                return;
            }
            listing_.Folder(r);
            used_.insert(r);
            if (!AddFolderItem(r)) listing_.FolderItemFailed();
            if (child.error != 0) {
                listing_.FolderNotListed(r, child.error);
                continue;
            }
            ancestors_.push_back(child.id);
            AddFolder(path, r, child);
            ancestors_.pop_back();
        }
        for (const std::string& name : listing.files) {
            if (full_) return;
            if (!AddFile(dir + name, rel + "\\" + name, name, listing.id)) listing_.FileFailed();
        }
    }

    // Whether an item of that many bytes, and the end record after it, stay inside 4 GiB.
    bool Fits(std::uint64_t itemBytes) const { return rom_.Tell() + itemBytes + kRecordSize <= kRomLimit; }

    // The temporary files and the lock in the program folder, when FSDir holds it: they change
    // while the build runs.
    bool IsOwnFile(FileId folder, const std::string& name) const {
        if (!(folder == programFolderId_)) return false;
        for (const char* own : {kTextFile, kBitmapFile, kPictureFile, kLockFile}) {
            if (name == own) return true;
        }
        return false;
    }

    bool WriteRecord(const std::string& r, bool isDir, std::uint32_t dataSize) {
        std::array<std::uint8_t, kRecordSize> bytes{};
        std::memcpy(bytes.data() + record::kName, r.data(), r.size());
        PutLe32(bytes.data() + record::kIsDir, isDir ? 1 : 0);
        PutLe32(bytes.data() + record::kDataSize, dataSize);
        PutLe32(bytes.data() + record::kOddSize, dataSize & 1);
        return rom_.Write(bytes.data(), bytes.size());
    }

    // On failure the position goes back to the item's start.
    bool AddFolderItem(const std::string& r) {
        const std::uint64_t start = rom_.Tell();
        if (WriteRecord(r, true, 0)) return true;
        rom_.Seek(start);
        return false;
    }

    // A failure before the size is printed: the reason completes the name's line.
    bool Refuse(const std::string& reason) {
        listing_.Refused(reason);
        return false;
    }

    // A failure after the record was written: the item is taken back.
    bool TakeBack(std::uint64_t start, const std::string& reason) {
        listing_.TakenBack(reason);
        if (rom_.Seek(start)) rom_.Truncate(start);
        return false;
    }

    bool AddFile(const std::string& path, const std::string& r, const std::string& name, FileId folder) {
        listing_.File(r);
        if (r.size() > kMaxName) return Refuse("name longer than 259 bytes");
        if (name.find('\\') != std::string::npos) return Refuse(kSeparatorInName);
        if (used_.count(r) != 0) return Refuse(kNameUsed);
        if (IsOwnFile(folder, name)) {
            listing_.OwnFileSkipped();
            return true;
        }

        const FileInfo source = StatFile(path);
        if (source.error != 0) return Refuse(std::string("cannot read: ") + std::strerror(source.error));
        if (!source.regular) return Refuse("not a regular file");
        if (outputId_ == source.id || replacedId_ == source.id) {
            listing_.OutputSkipped();
            return true;
        }

        const FileKind kind = ClassifyFile(name);
        if (kind == FileKind::OtherPicture) listing_.Flush();  // glimmet's own messages come after the name
        const EntryData data = PrepareEntryData(state_, kind, path, removeFile_);
        if (!data.refusal.empty()) return Refuse(data.refusal);

        InputFile in(data.path);
        if (in.error() != 0) return Refuse(std::string("cannot open: ") + std::strerror(in.error()));
        const FileInfo info = in.Info();
        if (info.error != 0 || !info.regular) return Refuse("not a regular file");
        if (info.size > 0xFFFFFFFFu) return Refuse("file of 4 GiB or more cannot be packed");
        const auto size = static_cast<std::uint32_t>(info.size);
        if (size == 0) {
            listing_.EmptyFile();
            return true;
        }
        if (!Fits(kRecordSize + size + (size & 1))) {
            full_ = true;
            if (data.temporary) removeFile_(data.path);
            return Refuse(Listing::kPackageFull);
        }

        listing_.Packed(size);
        const std::uint64_t start = rom_.Tell();
        if (!WriteRecord(r, false, size)) return TakeBack(start, "cannot write the output ROM");
        buffer_.resize(kCopyBlock);
        for (std::uint32_t left = size; left > 0;) {
            const std::int64_t got = in.Read(buffer_.data(), std::min<std::size_t>(left, kCopyBlock));
            if (got < 0) return TakeBack(start, std::string("read failed: ") + std::strerror(errno));
            if (got == 0) return TakeBack(start, "file shrank while it was read");
            if (!rom_.Write(buffer_.data(), static_cast<std::size_t>(got)))
                return TakeBack(start, "cannot write the output ROM");
            left -= static_cast<std::uint32_t>(got);
        }
        if (data.temporary) {
            if (const int error = removeFile_(data.path); error != 0)
                return TakeBack(start, "cannot delete " + data.path + ": " + std::strerror(error));
        }
        if ((size & 1) != 0 && !rom_.Write(&kFillByte, 1)) return TakeBack(start, "cannot write the output ROM");
        used_.insert(r);
        return true;
    }

    BuildState& state_;
    Listing& listing_;
    PackageOutput& rom_;
    const FolderLister& lister_;
    const FileRemover& removeFile_;
    FileId outputId_;
    FileId replacedId_;
    FileId programFolderId_;
    std::vector<FileId> ancestors_;
    std::set<std::string> used_;  // the package names so far
    bool full_ = false;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

int LinkFSFile(BuildState& state, Listing& listing, const std::string& romPath, const DriverHooks& hooks,
               FileId replaced) {
    std::unique_ptr<PackageOutput> rom = hooks.openOutput ? hooks.openOutput(romPath) : OpenOutputFile(romPath);
    if (!rom) {
        listing.OutputNotOpened();
        return 1;
    }
    const FolderLister lister = hooks.lister ? hooks.lister : FolderLister(ListFolder);
    const FileRemover removeFile = hooks.removeFile ? hooks.removeFile : FileRemover(RemoveFile);
    Walker walker(state, listing, *rom, lister, removeFile, StatFile(romPath).id, replaced);
    if (rom->Seek(kPackageOffset)) {
        walker.AddRoot(state.shellDir + "/", "\\.shell", true);
        walker.AddRoot(state.fsDir, "", false);
    }
    const std::array<std::uint8_t, kRecordSize> endRecord{};
    // The package ends with the end record: nothing of a taken-back item stays after it (the base
    // ROM's own bytes come back there when the ROM is kept).
    const bool ended = rom->Write(endRecord.data(), endRecord.size()) && rom->Truncate(rom->Tell());
    if (!rom->Close() || !ended) {
        // Without its end record the package does not parse: that is not a success.
        listing.OutputNotWritten();
        return 1;
    }
    return walker.full() ? 1 : 0;
}

}  // namespace lindquay
