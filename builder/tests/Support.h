// Helpers of the builder tests: temporary trees, an independent package reader, and running
// the real binaries from a temporary program folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace support {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return (path_ / rel).string(); }

private:
    fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
std::string Pattern(std::size_t size, unsigned seed = 1);

struct Item {
    std::string name;
    bool isDir = false;
    std::string data;
};

// Parses a package the way the cartridge does, checking every field it can.
struct Package {
    bool ok = false;
    std::string problem;
    std::vector<Item> items;
    std::size_t end = 0;  // offset just past the end record
};
Package ParsePackage(const std::string& bytes, std::size_t offset);
std::vector<std::string> Names(const Package& p);

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs argv with standard input from /dev/null in `cwd`, capturing standard output and error.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                     const std::vector<std::string>& extraEnv = {});

// A program folder holding copies of the built binaries and a base ROM of `romSize` bytes.
struct ProgramFolder {
    explicit ProgramFolder(const TempDir& root, std::size_t romSize = 1000);
    std::string dir;
    std::string lindquay;
    std::string baseRom;
};

std::uint16_t Le16(const std::string& b, std::size_t at);
std::uint32_t Le32(const std::string& b, std::size_t at);

}  // namespace support
