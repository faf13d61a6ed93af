// Lindquay, the loader ROM builder: shared state and the entry points of its parts.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace lindquay {

// Where the package starts in the output ROM, whatever the base ROM's length.
inline constexpr std::uint64_t kPackageOffset = 0x30000;
inline constexpr std::size_t kRecordSize = 272;
inline constexpr std::size_t kNameField = 260;  // 259 bytes and a NUL
inline constexpr std::uint8_t kFillByte = 0x21;

// Identity of a file on disk (device and inode); two paths with equal ids are one file.
struct FileId {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    bool valid = false;
    bool operator==(const FileId& o) const { return valid && o.valid && dev == o.dev && ino == o.ino; }
};

struct BuildState {
    std::string progDir;   // host folder of the program, ends with '/'
    std::string shellDir;  // progDir + ".shell"
    std::string fsDir;     // full host path of FSDir, ends with '/'
    std::int32_t errorCount = 0;
    std::int32_t warningCount = 0;
    std::int32_t totalDirs = 0;
    std::int32_t totalFiles = 0;
};

// One folder as the lister sees it. `error` is an errno value when it could not be listed.
struct FolderListing {
    int error = 0;
    FileId id;
    std::vector<std::string> folders;
    std::vector<std::string> files;
};
using FolderLister = std::function<FolderListing(const std::string& hostPath)>;

// The output ROM as the package writer sees it: positioned writes, so a failed item can be
// taken back by moving the position to its start.
class PackageOutput {
public:
    virtual ~PackageOutput() = default;
    virtual bool Write(const void* data, std::size_t size) = 0;
    virtual std::uint64_t Tell() const = 0;
    virtual bool Seek(std::uint64_t position) = 0;
    virtual bool Close() = 0;
};
using OutputOpener = std::function<std::unique_ptr<PackageOutput>(const std::string& path)>;

// The seams a test uses to make a folder unlistable or a write fail, even as root.
struct DriverHooks {
    std::string programPath;  // empty: the running program (/proc/self/exe)
    // Set (from LINDQUAY_PROGRAM_DIR): the folder that stands in for the program's own, as an
    // installed Lindquay uses the user's program folder; notices go to `notices`.
    std::string programDir;
    std::ostream* notices = nullptr;
    FolderLister lister;      // empty: ListFolder
    OutputOpener openOutput;  // empty: OpenOutputFile
};

// Host layer (Host.cpp).
FolderListing ListFolder(const std::string& hostPath);
std::unique_ptr<PackageOutput> OpenOutputFile(const std::string& path);
std::string RunningProgramPath();
std::string BaseRomPath(const std::string& programPath);
bool FullPath(const std::string& name, std::string& result);
FileId IdOf(const std::string& path);
std::int64_t RomSizeKB(const std::string& path);

// Byte order of names in the package: unsigned bytes, a prefix before its extensions.
bool NameLessOrEqual(const std::string& a, const std::string& b);

// Package writer (Package.cpp).
int LinkFSFile(BuildState& state, std::ostream& out, const std::string& outputPath, const DriverHooks& hooks);

// Conversion of pages and pictures before they are packed (Convert.cpp).
enum class FileKind { HtmlPage, BmpPicture, OtherPicture, Plain };
FileKind ClassifyFile(const std::string& entryName);

struct EntryData {
    int result = 1;  // 0: the bytes to pack are in `path`
    std::string path;
    bool temporary = false;  // a file of the conversion, deleted once packed
};
EntryData PrepareEntryData(const BuildState& state, std::ostream& out, const std::string& sourcePath,
                           const std::string& entryName);

// Reads a BMP and writes it as picture16 at `outPath`. On failure returns 1, prints a message
// that starts with a line break and leaves no file at `outPath`.
int LoadBmp16(const std::string& bitmapPath, const std::string& outPath, std::ostream& out);

// Starts `argv` (argv[0] found in `workFolder` first, then on PATH) in `workFolder` with
// standard input from /dev/null and waits for it. Returns the wait status, or -1 with `error`
// set when it could not be started.
int RunAndWait(const std::string& workFolder, const std::vector<std::string>& argv, int& error);

// The whole build: arguments in, listing out, exit code back.
int RunLindquay(const std::vector<std::string>& args, std::ostream& out, std::istream& in,
                const DriverHooks& hooks = {});

}  // namespace lindquay
