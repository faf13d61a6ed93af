// The inspector's package reader and extractor on any bytes as the package of a ROM (the bytes
// are placed at the package offset). The walk must end with a problem or at an end record inside
// the file; extraction must write nothing outside its folder and leave no link there.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "package_extractor.h"
#include "package_reader.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string root = fuzz_support::Scratch() + "/package";
    static const std::string rom = root + "/in.rom";
    static const std::string out = root + "/out/tree";
    static const std::string kept = root + "/keep.txt";
    static const bool made = [] {
        fs::create_directories(root + "/out");
        fuzz_support::WriteFile(kept, reinterpret_cast<const std::uint8_t*>("keep"), 4);
        return true;
    }();
    (void)made;

    // A sparse prefix up to the package offset costs no writing.
    fuzz_support::WriteFile(rom, nullptr, 0);
    {
        std::fstream file(rom, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(inspector::kPackageOffset));
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(file.good(), "cannot write the ROM");
    }
    const std::uint64_t romSize = inspector::kPackageOffset + size;

    std::uint64_t visited = 0;
    const inspector::WalkResult walk = inspector::WalkPackage(
        rom, inspector::Checks::kAll,
        [&](const inspector::Item& item, std::ifstream& in) -> std::optional<inspector::Problem> {
            ++visited;
            FUZZ_CHECK(item.dataOffset() + item.dataSize <= romSize,
                       "an item's data was passed on past the end of the ROM");
            std::string bytes(std::min<std::uint32_t>(item.dataSize, 1u << 16), '\0');
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            FUZZ_CHECK(in.good() || bytes.empty(), "an item's data cannot be read where the walk put the ROM");
            return std::nullopt;
        });
    FUZZ_CHECK(visited == walk.folders + walk.files, "the walk's counts differ from the items it passed on");
    if (!walk.problem) {
        FUZZ_CHECK(walk.endOffset >= inspector::kPackageOffset && walk.endOffset + inspector::kRecordSize <= romSize,
                   "the end record lies outside the file");
    }

    std::ostringstream listing, errors;
    inspector::ExtractPackage(rom, out, (size & 1) != 0, listing, errors);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        FUZZ_CHECK(!ec, "the sandbox cannot be walked");
        const std::string path = it->path().string();
        const bool inside = path.rfind(out + "/", 0) == 0;
        FUZZ_CHECK(inside || path == rom || path == kept || path == root + "/out" || path == out,
                   "extraction wrote outside its folder: " + path);
        FUZZ_CHECK(!it->is_symlink(), "extraction made a link: " + path);
    }
    FUZZ_CHECK(fuzz_support::ReadFile(kept) == "keep", "the file beside the extraction changed");
    fs::remove_all(out, ec);
    return 0;
}
