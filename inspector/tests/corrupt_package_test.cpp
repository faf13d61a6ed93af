// The reader and the extractor on damaged packages, in process: random byte changes and cuts of a
// valid package. What can go wrong there: a walk that reads or reports past the end of the file,
// verify accepting what the structural walk rejects, and an extraction that writes outside its
// folder, makes a link, or writes bytes that are not its item's.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "package_extractor.h"
#include "package_reader.h"
#include "testsupport/package.h"
#include "testsupport/sandbox.h"
#include "testsupport/snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Walked {
    inspector::WalkResult result;
    std::vector<std::string> names;
    std::map<std::string, std::string> firstData;  // extraction keeps the first of a name
};

Walked Walk(const std::string& rom, std::uint64_t size, inspector::Checks checks) {
    Walked walked;
    walked.result = inspector::WalkPackage(rom, checks, [&](const inspector::Item& item, std::istream& in) {
        EXPECT_LE(item.dataOffset() + item.dataSize + (item.dataSize & 1), size) << item.name;
        std::string data(item.dataSize, '\0');
        EXPECT_TRUE(in.read(data.data(), static_cast<std::streamsize>(data.size()))) << item.name;
        walked.names.push_back(item.name);
        if (item.isDir != 1) walked.firstData.emplace(item.name, data);
        return std::optional<inspector::Problem>();
    });
    const inspector::WalkResult& r = walked.result;
    if (r.problem) {
        EXPECT_LE(r.problem->offset, size);
    } else {
        EXPECT_GE(r.endOffset, inspector::kPackageOffset);
        EXPECT_LE(r.endOffset + inspector::kRecordSize, size);
    }
    EXPECT_EQ(walked.names.size(), r.folders + r.files);
    return walked;
}

TEST(CorruptPackage, EveryDamageEndsInAResult) {
    Sandbox box;
    const std::string rom = box / "test.rom";
    WriteFile(box / "keep.txt", "keep");
    const std::string package = PackageFolder("\\d") +
                                PackageFile("\\d\\a.bmp", "BM\x10\0\x04\0\x01\0" + std::string(8, '\x1f')) +
                                PackageFile("\\d\\b", "bb") + PackageFile("\\c.txt", "odd") + PackageEnd();
    std::mt19937 random(3);
    int accepted = 0, rejectedByVerifyOnly = 0, rejectedByBoth = 0;
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        std::string bytes = RomWithPackage(package);
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = inspector::kPackageOffset + random() % package.size();
            bytes[at] = static_cast<char>(random() % 3 == 0 ? "\\./"[random() % 3] : random() % 256);
        }
        if (random() % 4 == 0) bytes.resize(inspector::kPackageOffset + random() % package.size());
        WriteFile(rom, bytes);

        const Walked all = Walk(rom, bytes.size(), inspector::Checks::kAll);
        const Walked structure = Walk(rom, bytes.size(), inspector::Checks::kStructure);
        if (structure.result.problem) {
            EXPECT_TRUE(all.result.problem) << "verify passed what the structural walk rejects";
            ++rejectedByBoth;
        } else if (all.result.problem) {
            ++rejectedByVerifyOnly;
        } else {
            EXPECT_EQ(all.result.endOffset, structure.result.endOffset);
            EXPECT_EQ(all.names, structure.names);
            ++accepted;
        }
        // Verify stops at its first problem; up to there it saw what the structural walk saw.
        ASSERT_LE(all.names.size(), structure.names.size());
        EXPECT_TRUE(std::equal(all.names.begin(), all.names.end(), structure.names.begin()));

        const Snapshot before = Snap(box.path(), {"/inside"});
        const std::string target = box / ("inside/" + std::to_string(i));
        const bool png = i % 2 == 1;
        std::ostringstream out, err;
        const int exitCode = inspector::ExtractPackage(rom, target, png, out, err);
        EXPECT_EQ(Changes(before, Snap(box.path(), {"/inside"})), std::vector<std::string>{});
        if (structure.result.problem) {
            EXPECT_EQ(exitCode, 1) << err.str();
        }
        for (const auto& entry : fs::recursive_directory_iterator(target)) {
            ASSERT_FALSE(entry.is_symlink()) << entry.path();
            if (entry.is_directory()) continue;
            std::string name = "\\" + fs::relative(entry.path(), target).string();
            for (char& c : name) c = c == '/' ? '\\' : c;
            const auto found = structure.firstData.find(name);
            if (found != structure.firstData.end()) {
                EXPECT_EQ(ReadFile(entry.path()), found->second) << name;
            } else {
                EXPECT_TRUE(png && name.ends_with(".png") &&
                            structure.firstData.count(name.substr(0, name.size() - 4)) == 1)
                    << "extracted a file of no item: " << name;
            }
        }
    }
    // The damage reaches every outcome, so that each check above was put to work.
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejectedByVerifyOnly, 0);
    EXPECT_GT(rejectedByBoth, 0);
}

}  // namespace
