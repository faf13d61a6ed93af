// The builder's host layer: every system call of the build, and the mapping of the program's
// paths onto Linux. Nothing else in the builder knows which host it runs on.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "lindquay.h"

namespace lindquay {

FolderListing ListFolder(const std::string& hostPath);
// The output ROM opened for update (not emptied); null when it cannot be opened.
std::unique_ptr<PackageOutput> OpenOutputFile(const std::string& path);

std::string RunningProgramPath();
std::string BaseRomPath(const std::string& programPath);
bool FullPath(const std::string& name, std::string& result);
// Copies `from` over `to`; false when `to` cannot be written or is `from` itself.
bool CopyFile(const std::string& from, const std::string& to);
std::int64_t RomSizeKB(const std::string& path);

// A file as stat sees it, links followed.
struct FileInfo {
    int error = 0;  // errno when it could not be looked at
    bool regular = false;
    std::uint64_t size = 0;
    FileId id;
};
FileInfo StatFile(const std::string& path);
bool Exists(const std::string& path);
int RemoveFile(const std::string& path);  // 0 or errno

// The path with links in its last component followed (also when they lead nowhere) and its
// folder made canonical: two paths of one file, whether or not it exists yet, give one string.
std::string ResolvedPath(const std::string& path);
// Whether two paths name one file: the same file on disk, or the same place for one to be made.
bool SameFile(const std::string& a, const std::string& b);

// The lock that lets one build at a time use a program folder's temporary files, held until
// destruction (the kernel releases it when the process ends). Waits for another build that holds
// it, and tells `notices` (when set) once.
class BuildLock {
public:
    BuildLock(const std::string& path, const std::string& folder, std::ostream* notices);
    ~BuildLock();
    BuildLock(const BuildLock&) = delete;
    BuildLock& operator=(const BuildLock&) = delete;

private:
    int fd_;
};

// A file read from disk. Opening never blocks, not even on a FIFO.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    int error() const { return error_; }  // errno of the open; 0 when open
    FileInfo Info() const;
    // The next bytes: their count, 0 at the end of the file, -1 with errno set on failure.
    std::int64_t Read(void* data, std::size_t size);
    // Up to `size` bytes at `at`; fewer only at the end of the file or on failure.
    std::size_t ReadAt(void* data, std::size_t size, std::uint64_t at);

private:
    int fd_;
    int error_ = 0;
};

// A file written from its start: created, or emptied when it exists; with `createNew`, only
// created (an existing file or link of that name is an error, EEXIST).
class OutputFile {
public:
    explicit OutputFile(const std::string& path, bool createNew = false);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    int error() const { return error_; }  // errno of the open or of the last failed write
    bool WriteAll(const void* data, std::size_t size);
    bool Close();
    // A name that opens this very file, whatever is put in place of its own name meanwhile.
    std::string OpenedPath() const;

private:
    int fd_;
    int error_ = 0;
};

// Starts `argv` (argv[0] found in `workFolder` first, then on PATH) in `workFolder` with
// standard input from /dev/null and waits for it. Returns the wait status, or -1 with `error`
// set when it could not be started.
int RunAndWait(const std::string& workFolder, const std::vector<std::string>& argv, int& error);
// How a process of that wait status ended: "exit status N" or "signal N".
std::string HowItEnded(int status);

}  // namespace lindquay
