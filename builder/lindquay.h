// Lindquay, the loader ROM builder: the state of one build, the seams a test replaces, and the
// entry point that main and the tests call.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace lindquay {

// The build ran to its end (also when entries failed: the listing counts them).
inline constexpr int kExitBuilt = 0;
// Wrong arguments, or a set-up step failed: nothing or only part of the ROM was written.
inline constexpr int kExitFailed = 1;

// The files Lindquay keeps in its program folder: the conversion's temporary files, and the lock
// that lets one build at a time use them.
inline constexpr char kTextFile[] = "tmp.htm";
inline constexpr char kBitmapFile[] = "tmp.bmp";
inline constexpr char kPictureFile[] = "transFile.jpg";
inline constexpr char kLockFile[] = "Lindquay.lock";

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
    std::int32_t totalDirs = 0;
    std::int32_t totalFiles = 0;
};

// One folder as the lister sees it. `error` is an errno value when it could not be listed;
// `pseudo` names the pseudo file system (proc, sysfs, ...) it belongs to, whose entries are not
// listed.
struct FolderListing {
    int error = 0;
    FileId id;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    std::string pseudo = {};
    // The walk's own lister keeps the folder open, so that what it holds is opened relative to it
    // (the walk closes it), and names the files that may be no regular file (links, devices, and
    // entries whose type the listing does not give), sorted. -1: open everything by its path.
    int fd = -1;
    std::vector<std::string> maybeSpecial = {};
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
    // Cuts the file at `size`: what lay after the package is not left behind.
    virtual bool Truncate(std::uint64_t size) = 0;
    virtual bool Close() = 0;
};
using OutputOpener = std::function<std::unique_ptr<PackageOutput>(const std::string& path)>;

// Removes a file; 0, or the errno value of the failure.
using FileRemover = std::function<int(const std::string& path)>;

// The seams a test uses to make a folder unlistable, a write or a delete fail, even as root.
struct DriverHooks {
    std::string programPath;  // empty: the running program (/proc/self/exe)
    FolderLister lister;      // empty: ListFolderAt, the folders kept open
    OutputOpener openOutput;  // empty: OpenOutputFile
    FileRemover removeFile;   // empty: RemoveFile
    // Set (from LINDQUAY_PROGRAM_DIR): the folder that stands in for the program's own, as an
    // installed Lindquay uses the user's program folder; notices go to `notices`.
    std::string programDir;
    std::ostream* notices = nullptr;
};

// The whole build: arguments in, listing out, exit code back.
int RunLindquay(const std::vector<std::string>& args, std::ostream& out, std::istream& in,
                const DriverHooks& hooks = {});

}  // namespace lindquay
