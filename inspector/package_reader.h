// An independent reader of the FS package that Lindquay writes into a loader ROM. It shares no
// code with the writer, so that it can check it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <optional>
#include <string>

#include "printable.h"

namespace inspector {

// The package layout, spelled out here apart from the writer's table (builder/package_writer.h)
// on purpose: this reader checks the writer, so it must not share the writer's mistakes.
inline constexpr std::uint64_t kPackageOffset = 196608;  // 0x30000
inline constexpr std::size_t kRecordSize = 272;
inline constexpr std::size_t kNameSize = 260;
inline constexpr unsigned char kFillByte = 0x21;

struct Item {
    std::uint64_t offset = 0;  // of the record in the ROM
    std::string name;          // as stored, with "\" between components
    std::uint32_t isDir = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t oddSize = 0;
    std::uint64_t dataOffset() const { return offset + kRecordSize; }
};

struct Problem {
    std::uint64_t offset = 0;
    std::string what;
};

enum class Checks {
    kStructure,  // only what it takes to walk the package: records and data inside the file
    kAll,        // every rule of the format
};

// Called for every item in package order with the ROM positioned at the item's data; returning
// a problem stops the walk with it.
using ItemVisitor = std::function<std::optional<Problem>(const Item&, std::istream& rom)>;

struct WalkResult {
    std::optional<Problem> problem;  // the first one; none when the package ends properly
    std::uint64_t endOffset = 0;     // of the end record, when reached
    std::uint64_t folders = 0, files = 0, dataBytes = 0;
};

// Opens the ROM at path for reading and gives its size; a problem when it is no regular file
// (a pipe or a device could block or never end) or cannot be read.
std::optional<Problem> OpenRom(const std::filesystem::path& path, std::ifstream& rom, std::uint64_t& size);

// Walks the package of the ROM at path from kPackageOffset to its end record.
WalkResult WalkPackage(const std::filesystem::path& rom, Checks checks, const ItemVisitor& visit);
// The same on a ROM of `size` bytes already open.
WalkResult WalkPackage(std::istream& rom, std::uint64_t size, Checks checks, const ItemVisitor& visit);

// A name that can be written below a folder: "\" first, then components that are not empty,
// "." or "..", and hold no "/". Empty when it is, else what is wrong with it.
std::string NameFault(const std::string& name);

// The line that reports a problem of the ROM: "lindquay-ls: ROM: byte N (0xHEX): what".
std::string ProblemLine(const std::string& rom, const Problem& problem);

}  // namespace inspector
