// The FS package writer: walks the ".shell" tree and the FSDir tree into the output ROM.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "lindquay.h"

namespace lindquay {

bool NameLessOrEqual(const std::string& a, const std::string& b) {
    // std::string compares through memcmp, i.e. as unsigned bytes, the shorter prefix first.
    return a.compare(b) <= 0;
}

namespace {

constexpr std::size_t kMaxName = kNameField - 1;
constexpr std::size_t kCopyBlock = 64 * 1024;

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return a.compare(b) < 0; });
}

class Walker {
public:
    Walker(BuildState& state, std::ostream& out, PackageOutput& rom, const FolderLister& lister, FileId outputId)
        : state_(state), out_(out), rom_(rom), lister_(lister), outputId_(outputId) {}

    // A root gets no item of its own; `rel` is the package name its entries start with.
    void AddRoot(const std::string& hostDir, const std::string& rel, bool isShell) {
        FolderListing listing = lister_(hostDir);
        if (listing.error == ENOENT && isShell) return;  // the ".shell" folder is optional
        if (listing.error == ENOENT) {
            ++state_.warningCount;
            out_ << "WARNING: FSDir " << hostDir << " does not exist; nothing packed from it\n";
            return;
        }
        if (listing.error != 0) {
            ++state_.errorCount;
            out_ << "ERROR: cannot list folder " << hostDir << ": " << std::strerror(listing.error) << "\n";
            return;
        }
        ancestors_.assign(1, listing.id);
        AddFolder(hostDir, rel, listing);
    }

private:
    void AddFolder(const std::string& dir, const std::string& rel, FolderListing& listing) {
        state_.totalDirs += static_cast<std::int32_t>(listing.folders.size());
        state_.totalFiles += static_cast<std::int32_t>(listing.files.size());
        SortNames(listing.folders);
        SortNames(listing.files);

        for (const std::string& name : listing.folders) {
            const std::string r = rel + "\\" + name;
            const std::string path = dir + name + "/";
            if (r.size() > kMaxName) {
                FolderFailed(r, "name longer than 259 bytes; folder not packed");
                continue;
            }
            FolderListing child = lister_(path);
            if (child.error == 0 && std::find(ancestors_.begin(), ancestors_.end(), child.id) != ancestors_.end()) {
                FolderFailed(r, "folder is its own ancestor through a link; not followed");
                continue;
            }
            if (AddFolderEntry(r) != 0) {
                ++state_.errorCount;
                out_ << " - !!! Error !!!\n";
            }
            if (child.error != 0) {
                ++state_.errorCount;
                out_ << "ERROR: cannot list folder " << r << ": " << std::strerror(child.error) << "\n";
                continue;
            }
            ancestors_.push_back(child.id);
            AddFolder(path, r, child);
            ancestors_.pop_back();
        }
        for (const std::string& name : listing.files) {
            if (AddFile(dir + name, rel + "\\" + name, name) != 0) {
                ++state_.errorCount;
                out_ << " - 0 [[[ Error ]]]\n";
            }
        }
    }

    void FolderFailed(const std::string& r, const char* reason) {
        ++state_.errorCount;
        out_ << "[DIR] : " << r << "\nERROR: " << reason << "\n - !!! Error !!!\n";
    }

    // Writes a record; on failure the position goes back to the item's start.
    bool WriteRecord(const std::string& r, bool isDir, std::uint32_t dataSize) {
        std::array<std::uint8_t, kRecordSize> record{};
        std::memcpy(record.data(), r.data(), r.size());
        PutLe32(record.data() + 260, isDir ? 1 : 0);
        PutLe32(record.data() + 264, dataSize);
        PutLe32(record.data() + 268, dataSize & 1);
        return rom_.Write(record.data(), record.size());
    }

    int AddFolderEntry(const std::string& r) {
        out_ << "[DIR] : " << r << "\n";
        const std::uint64_t start = rom_.Tell();
        if (WriteRecord(r, true, 0)) return 0;
        rom_.Seek(start);
        return 1;
    }

    // A failure before the size is printed: the reason completes the name's line.
    int Refuse(const std::string& reason) {
        out_ << "\nERROR: " << reason << "\n";
        return 1;
    }

    // A failure after the record was written: the item is taken back.
    int TakeBack(std::uint64_t start, const std::string& reason) {
        out_ << "ERROR: " << reason << "; item taken back\n";
        rom_.Seek(start);
        return 1;
    }

    int AddFile(const std::string& path, const std::string& r, const std::string& name) {
        out_ << "      : " << r;
        if (r.size() <= 50) out_ << std::string(52 - r.size(), ' ');
        if (r.size() > kMaxName) return Refuse("name longer than 259 bytes");

        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return Refuse(std::string("cannot read: ") + std::strerror(errno));
        if (!S_ISREG(st.st_mode)) return Refuse("not a regular file");
        if (outputId_ == FileId{st.st_dev, st.st_ino, true}) {
            ++state_.warningCount;
            out_ << " - 0  <WARNING> the output ROM is not packed into itself\n";
            return 0;
        }

        EntryData data = PrepareEntryData(state_, out_, path, name);
        if (data.result != 0) return 1;

        int fd = ::open(data.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return Refuse(std::string("cannot open: ") + std::strerror(errno));
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Refuse("not a regular file");
        if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFFFFu)
            return Refuse("file of 4 GiB or more cannot be packed");
        const auto size = static_cast<std::uint32_t>(st.st_size);
        if (size == 0) {
            ++state_.warningCount;
            out_ << " - 0  <WARNING>\n";
            return 0;
        }

        out_ << " - " << size << "\n";
        const std::uint64_t start = rom_.Tell();
        if (!WriteRecord(r, false, size)) return TakeBack(start, "cannot write the output ROM");
        buffer_.resize(kCopyBlock);
        for (std::uint32_t left = size; left > 0;) {
            const std::size_t want = std::min<std::size_t>(left, kCopyBlock);
            ssize_t got = ::read(fd, buffer_.data(), want);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return TakeBack(start, std::string("read failed: ") + std::strerror(errno));
            if (got == 0) return TakeBack(start, "file shrank while it was read");
            if (!rom_.Write(buffer_.data(), static_cast<std::size_t>(got)))
                return TakeBack(start, "cannot write the output ROM");
            left -= static_cast<std::uint32_t>(got);
        }
        if (data.temporary && ::unlink(data.path.c_str()) != 0)
            return TakeBack(start, std::string("cannot delete ") + data.path + ": " + std::strerror(errno));
        if ((size & 1) != 0 && !rom_.Write(&kFillByte, 1)) return TakeBack(start, "cannot write the output ROM");
        return 0;
    }

    BuildState& state_;
    std::ostream& out_;
    PackageOutput& rom_;
    const FolderLister& lister_;
    FileId outputId_;
    std::vector<FileId> ancestors_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

int LinkFSFile(BuildState& state, std::ostream& out, const std::string& outputPath, const DriverHooks& hooks) {
    std::unique_ptr<PackageOutput> rom = hooks.openOutput ? hooks.openOutput(outputPath) : OpenOutputFile(outputPath);
    if (!rom) {
        ++state.errorCount;
        out << "LinkFSFile: fopen(newRom) Error!\n";
        return 1;
    }
    const FolderLister lister = hooks.lister ? hooks.lister : FolderLister(ListFolder);
    Walker walker(state, out, *rom, lister, IdOf(outputPath));
    if (rom->Seek(kPackageOffset)) {
        walker.AddRoot(state.shellDir + "/", "\\.shell", true);
        walker.AddRoot(state.fsDir, "", false);
    }
    const std::array<std::uint8_t, kRecordSize> endRecord{};
    const bool ended = rom->Write(endRecord.data(), endRecord.size());
    if (!rom->Close() || !ended) {
        // Without its end record the package does not parse: that is not a success.
        ++state.errorCount;
        out << "LinkFSFile: write(newRom) Error!\n";
        return 1;
    }
    return 0;
}

}  // namespace lindquay
