#include "testsupport/package.h"

#include "package_reader.h"
#include "testsupport/pictures.h"

namespace testsupport {

Package ReadPackage(const std::string& romPath) {
    Package package;
    const inspector::WalkResult walk =
        inspector::WalkPackage(romPath, inspector::Checks::kAll, [&](const inspector::Item& item, std::istream& rom) {
            PackageItem read{item.name, item.isDir == 1, std::string(item.dataSize, '\0')};
            if (!rom.read(read.data.data(), static_cast<std::streamsize>(read.data.size())))
                return std::optional<inspector::Problem>(
                    inspector::Problem{item.dataOffset(), "the data of " + item.name + " cannot be read"});
            package.items.push_back(std::move(read));
            return std::optional<inspector::Problem>();
        });
    if (walk.problem)
        package.problem = "byte " + std::to_string(walk.problem->offset) + ": " + walk.problem->what;
    else
        package.end = walk.endOffset + inspector::kRecordSize;
    return package;
}

std::vector<std::string> Names(const Package& package) {
    std::vector<std::string> names;
    for (const PackageItem& item : package.items) names.push_back(item.name);
    return names;
}

// Records with their own numbers, not the writer's table (builder/package_writer.h): the tests
// check the writer against an independent reading of the layout.
std::string PackageRecord(const std::string& name, std::uint32_t isDir, std::uint32_t dataSize, std::uint32_t oddSize) {
    std::string record = name;
    record.resize(260, '\0');
    return record + Le32Bytes(isDir) + Le32Bytes(dataSize) + Le32Bytes(oddSize);
}

std::string PackageFolder(const std::string& name) { return PackageRecord(name, 1, 0, 0); }

std::string PackageFile(const std::string& name, const std::string& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    return PackageRecord(name, 0, size, size & 1) + data + (size & 1 ? "!" : "");
}

std::string PackageEnd() { return std::string(272, '\0'); }

std::string RomWithPackage(const std::string& package) {
    return std::string(inspector::kPackageOffset, '\0') + package;
}

}  // namespace testsupport
