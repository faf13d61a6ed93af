// FS packages in the tests: the one independent reader of what Lindquay writes (lindquay-ls's
// own, with every check of `verify`), and package bytes made by hand, fields given raw so that a
// test can break them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct PackageItem {
    std::string name;
    bool isDir = false;
    std::string data;
};

struct Package {
    std::vector<PackageItem> items;  // up to the first problem
    std::string problem;             // "byte N: what is wrong"; empty when every check passed
    std::uint64_t end = 0;           // offset just past the end record
    bool ok() const { return problem.empty(); }
};

// The package of the ROM file at romPath.
Package ReadPackage(const std::string& romPath);
std::vector<std::string> Names(const Package& package);

// One record as the format lays it out.
std::string PackageRecord(const std::string& name, std::uint32_t isDir, std::uint32_t dataSize, std::uint32_t oddSize);
std::string PackageFolder(const std::string& name);
// The record, the data and, for odd-sized data, the fill byte.
std::string PackageFile(const std::string& name, const std::string& data);
std::string PackageEnd();
// A ROM of zero bytes up to the package offset, then the package.
std::string RomWithPackage(const std::string& package);

}  // namespace testsupport
