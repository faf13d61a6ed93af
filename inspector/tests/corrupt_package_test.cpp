// The reader on damaged packages, in process: random byte changes and cuts of a valid package
// must end in a result (a problem or a clean end), never a crash, a hang or a write outside DIR.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "package_extractor.h"
#include "package_reader.h"

namespace fs = std::filesystem;

namespace {

std::string Record(const std::string& name, std::uint32_t isDir, std::uint32_t dataSize) {
    std::string record = name;
    record.resize(260, '\0');
    for (std::uint32_t value : {isDir, dataSize, dataSize & 1}) {
        for (int i = 0; i < 4; ++i) record += static_cast<char>(value >> (8 * i));
    }
    return record;
}

TEST(CorruptPackage, EveryDamageEndsInAResult) {
    const fs::path dir = fs::temp_directory_path() / ("lindquay-ls-corrupt-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "inside");
    std::string package = Record("\\d", 1, 0) + Record("\\d\\a.bmp", 0, 13) + "BM" + std::string(11, '\x10') + "!" +
                          Record("\\d\\b", 0, 2) + "bb" + std::string(272, '\0');
    std::mt19937 random(3);
    for (int i = 0; i < 200; ++i) {
        std::string rom = std::string(inspector::kPackageOffset, '\0') + package;
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = inspector::kPackageOffset + random() % package.size();
            rom[at] = static_cast<char>(random() % 3 == 0 ? "\\./"[random() % 3] : random() % 256);
        }
        if (random() % 4 == 0) rom.resize(inspector::kPackageOffset + random() % package.size());
        std::ofstream(dir / "test.rom", std::ios::binary) << rom;
        const inspector::WalkResult all = inspector::WalkPackage(dir / "test.rom", inspector::Checks::kAll, nullptr);
        const inspector::WalkResult walk =
            inspector::WalkPackage(dir / "test.rom", inspector::Checks::kStructure, nullptr);
        EXPECT_TRUE(all.problem || all.endOffset != 0);
        EXPECT_TRUE(walk.problem || walk.endOffset != 0);
        EXPECT_FALSE(!all.problem && walk.problem) << "verify passed what list rejects, case " << i;
        std::ostringstream out, err;
        const fs::path target = dir / "inside" / std::to_string(i);
        inspector::ExtractPackage(dir / "test.rom", target, true, out, err);
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "inside" || name == "test.rom") << name;
    }
    fs::remove_all(dir);
}

}  // namespace
