#include "package_reader.h"

#include <array>
#include <cstdio>
#include <map>
#include <system_error>

namespace inspector {
namespace {

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool AllZero(const unsigned char* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

std::string Parent(const std::string& name) {
    const std::size_t last = name.rfind('\\');
    return last == std::string::npos || last == 0 ? std::string() : name.substr(0, last);
}

const char* KindOf(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::directory:
            return "a folder";
        case std::filesystem::file_type::fifo:
            return "a pipe";
        case std::filesystem::file_type::character:
        case std::filesystem::file_type::block:
            return "a device";
        case std::filesystem::file_type::socket:
            return "a socket";
        default:
            return nullptr;
    }
}

// The ".shell" tree is named relative to the program folder, and its root gets no item.
constexpr const char* kShellRoot = "\\.shell";

}  // namespace

std::string ProblemLine(const std::string& rom, const Problem& problem) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%llX", static_cast<unsigned long long>(problem.offset));
    return "lindquay-ls: " + rom + ": byte " + std::to_string(problem.offset) + " (" + hex + "): " + problem.what +
           "\n";
}

std::string NameFault(const std::string& name) {
    if (name.empty() || name[0] != '\\') return "does not begin with \"\\\"";
    std::size_t start = 1;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty()) return "has an empty component";
        if (part == "." || part == "..") return "has a \"" + part + "\" component";
        if (part.find('/') != std::string::npos) return "has a \"/\" in a component";
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

std::optional<Problem> OpenRom(const std::filesystem::path& path, std::ifstream& rom, std::uint64_t& size) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && status.type() != std::filesystem::file_type::regular) {
        if (const char* kind = KindOf(status.type()))
            return Problem{0, std::string("is ") + kind + ", not a regular file"};
    }
    size = std::filesystem::file_size(path, error);
    if (error) return Problem{0, "cannot be read"};
    rom.open(path, std::ios::binary);
    if (!rom) return Problem{0, "cannot be read"};
    return std::nullopt;
}

WalkResult WalkPackage(const std::filesystem::path& path, Checks checks, const ItemVisitor& visit) {
    std::ifstream rom;
    std::uint64_t size = 0;
    if (auto problem = OpenRom(path, rom, size)) return WalkResult{std::move(problem), 0, 0, 0, 0};
    return WalkPackage(rom, size, checks, visit);
}

WalkResult WalkPackage(std::istream& rom, std::uint64_t size, Checks checks, const ItemVisitor& visit) {
    WalkResult result;
    auto fail = [&](std::uint64_t offset, std::string what) {
        result.problem = Problem{offset, std::move(what)};
        return result;
    };
    if (size < kPackageOffset) {
        return fail(size, "the file is " + std::to_string(size) + " bytes long, shorter than the package offset " +
                              std::to_string(kPackageOffset));
    }
    const bool all = checks == Checks::kAll;
    struct Seen {
        std::uint64_t offset;
        bool isDir;
    };
    std::map<std::string, Seen> seen;  // for the parent and duplicate rules
    std::uint64_t offset = kPackageOffset;
    for (;;) {
        if (offset == size) return fail(offset, "the file ends before the end record");
        if (size - offset < kRecordSize) {
            return fail(offset, "the record runs past the end of the file (" + std::to_string(size) + " bytes)");
        }
        std::array<unsigned char, kRecordSize> record;
        rom.seekg(static_cast<std::streamoff>(offset));
        if (!rom.read(reinterpret_cast<char*>(record.data()), kRecordSize))
            return fail(offset, "the record cannot be read");
        if (record[0] == 0) {
            if (all && !AllZero(record.data(), kRecordSize)) {
                return fail(offset, "the end record (empty name) holds bytes other than zero");
            }
            result.endOffset = offset;
            return result;
        }
        Item item;
        item.offset = offset;
        std::size_t nameLength = 0;
        while (nameLength < kNameSize && record[nameLength] != 0) ++nameLength;
        if (nameLength == kNameSize) return fail(offset, "the name has no NUL within its 260 bytes");
        item.name.assign(reinterpret_cast<const char*>(record.data()), nameLength);
        item.isDir = Le32(&record[260]);
        item.dataSize = Le32(&record[264]);
        item.oddSize = Le32(&record[268]);
        // Made only for a problem: most items have none.
        const auto label = [&item] { return "item " + Printable(item.name) + ": "; };
        const std::uint64_t fill = item.dataSize & 1;
        if (item.dataSize + fill > size - item.dataOffset()) {
            return fail(offset, label() + "its " + std::to_string(item.dataSize) +
                                    " data bytes run past the end of the file (" + std::to_string(size) + " bytes)");
        }
        if (all) {
            if (!AllZero(&record[nameLength], kNameSize - nameLength)) {
                return fail(offset, label() + "the name field holds bytes other than zero after its NUL");
            }
            if (const std::string fault = NameFault(item.name); !fault.empty())
                return fail(offset, label() + "the name " + fault);
            if (item.isDir > 1)
                return fail(offset + 260, label() + "isDir is " + std::to_string(item.isDir) + ", not 0 or 1");
            if (item.isDir == 1 && item.dataSize != 0) {
                return fail(offset + 264,
                            label() + "a folder with dataSize " + std::to_string(item.dataSize) + ", not 0");
            }
            if (item.isDir == 0 && item.dataSize == 0) return fail(offset + 264, label() + "a file with dataSize 0");
            if (item.oddSize != fill) {
                return fail(offset + 268, label() + "oddSize is " + std::to_string(item.oddSize) + ", dataSize " +
                                              std::to_string(item.dataSize) + " needs " + std::to_string(fill));
            }
            if (fill != 0) {
                const std::uint64_t fillOffset = item.dataOffset() + item.dataSize;
                rom.seekg(static_cast<std::streamoff>(fillOffset));
                const int byte = rom.get();
                if (byte != kFillByte) {
                    return fail(fillOffset, label() + "the fill byte after the odd-sized data is " +
                                                (byte < 0 ? std::string("unreadable") : std::to_string(byte)) +
                                                ", not 0x21");
                }
            }
            const std::string parent = Parent(item.name);
            if (!parent.empty() && parent != kShellRoot) {
                const auto found = seen.find(parent);
                if (found == seen.end())
                    return fail(offset, label() + "its folder " + Printable(parent) + " is not listed before it");
                if (!found->second.isDir)
                    return fail(offset, label() + "its folder " + Printable(parent) + " is a file item");
            }
            if (const auto found = seen.find(item.name); found != seen.end()) {
                return fail(offset, label() + "the name is used before, by the item at byte " +
                                        std::to_string(found->second.offset));
            }
            seen.emplace(item.name, Seen{offset, item.isDir == 1});
        }
        if (item.isDir == 1) {
            ++result.folders;
        } else {
            ++result.files;
            result.dataBytes += item.dataSize;
        }
        rom.clear();
        rom.seekg(static_cast<std::streamoff>(item.dataOffset()));
        if (visit) {
            if (auto problem = visit(item, rom)) {
                result.problem = std::move(problem);
                return result;
            }
        }
        offset = item.dataOffset() + item.dataSize + fill;
    }
}

}  // namespace inspector
