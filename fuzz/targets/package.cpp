// The inspector's package reader and extractor on any bytes as the package of a ROM (the bytes
// are placed at the package offset, the ROM held in memory). The walk must end with a problem or
// at an end record inside the file; extraction (of one input in 8: the disk costs ten times the
// walk) must write nothing outside its folder and leave no link there.
#include <dirent.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "package_extractor.h"
#include "package_reader.h"

namespace fs = std::filesystem;

namespace {

// The ROM in memory: zero bytes up to the package offset, then the input. One buffer for every
// input, since allocating and clearing 192 KiB each time would cost more than the walk.
class RomBuffer : public std::streambuf {
public:
    std::istream& Load(const std::uint8_t* data, std::size_t size) {
        bytes_.resize(inspector::kPackageOffset + size);
        if (size != 0) std::memcpy(bytes_.data() + inspector::kPackageOffset, data, size);
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
        stream_.clear();
        return stream_;
    }
    std::uint64_t size() const { return bytes_.size(); }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir way, std::ios_base::openmode) override {
        const off_type base = way == std::ios_base::beg   ? 0
                              : way == std::ios_base::cur ? gptr() - eback()
                                                          : egptr() - eback();
        return seekpos(pos_type(base + offset), std::ios_base::in);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode) override {
        if (position < 0 || position > off_type(bytes_.size())) return pos_type(off_type(-1));
        setg(eback(), eback() + off_type(position), egptr());
        return position;
    }

private:
    std::vector<char> bytes_;
    std::istream stream_{this};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string root = fuzz_support::Scratch() + "/package";
    static const std::string out = root + "/out/tree";
    static const std::string kept = root + "/keep.txt";
    static const bool made = [] {
        fs::create_directories(root + "/out");
        fuzz_support::WriteFile(kept, reinterpret_cast<const std::uint8_t*>("keep"), 4);
        return true;
    }();
    (void)made;
    static RomBuffer rom;
    static std::string bytes;

    std::istream& in = rom.Load(data, size);
    const std::uint64_t romSize = rom.size();
    std::uint64_t visited = 0;
    const inspector::WalkResult walk = inspector::WalkPackage(
        in, romSize, inspector::Checks::kAll,
        [&](const inspector::Item& item, std::istream& at) -> std::optional<inspector::Problem> {
            ++visited;
            FUZZ_CHECK(item.dataOffset() + item.dataSize <= romSize,
                       "an item's data was passed on past the end of the ROM");
            bytes.resize(std::min<std::uint32_t>(item.dataSize, 1u << 16));
            at.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            FUZZ_CHECK(at.good() || bytes.empty(), "an item's data cannot be read where the walk put the ROM");
            return std::nullopt;
        });
    FUZZ_CHECK(visited == walk.folders + walk.files, "the walk's counts differ from the items it passed on");
    if (!walk.problem) {
        FUZZ_CHECK(walk.endOffset >= inspector::kPackageOffset && walk.endOffset + inspector::kRecordSize <= romSize,
                   "the end record lies outside the file");
    }

    // The extraction writes for real, into a sandbox on the scratch folder's tmpfs.
    if (!fuzz_support::OneIn(8, data, size)) return 0;
    std::ostringstream listing, errors;
    inspector::ExtractPackage(rom.Load(data, size), romSize, "in.rom", out, (size & 1) != 0, listing, errors);
    fuzz_support::WalkTree(root, [&](const fuzz_support::TreeEntry& entry) {
        const std::string& path = entry.path;
        const bool inside = path.rfind(out + "/", 0) == 0;
        FUZZ_CHECK(inside || path == kept || path == root + "/out" || path == out,
                   "extraction wrote outside its folder: " + path);
        FUZZ_CHECK(entry.type != DT_LNK, "extraction made a link: " + path);
        return true;
    });
    FUZZ_CHECK(fuzz_support::ReadFile(kept) == "keep", "the file beside the extraction changed");
    fuzz_support::EmptyFolder(out);
    return 0;
}
