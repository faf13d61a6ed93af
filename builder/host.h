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

// The output ROM, built as a new file beside its final name: an unnamed file in the output's
// folder (a hidden one of its own, created exclusively, where the file system has no unnamed
// files) that takes the output's name only in Keep(). A build that is killed or fails leaves the
// previous output as it was and no partial file; a link at the output's name is replaced, never
// written through; the new file gets the user's mode (umask). The base ROM's holes stay holes.
class NewRom {
public:
    // Opens the base ROM and makes the new file with the base ROM's bytes before `packageOffset`;
    // error() is not 0 when either fails or the output's name holds a folder, device or pipe.
    NewRom(const std::string& baseRom, const std::string& outputPath, std::uint64_t packageOffset);
    ~NewRom();
    NewRom(const NewRom&) = delete;
    NewRom& operator=(const NewRom&) = delete;
    int error() const { return error_; }
    // A name that opens the new file for the package writer.
    std::string OpenedPath() const { return "/proc/self/fd/" + std::to_string(fd_); }
    // After the package is written: the base ROM's bytes past its end (the file is as long as the
    // longer of the two), synced, then renamed over the output. False with error() set otherwise.
    bool Keep();

private:
    bool CopyBase(std::uint64_t from, std::uint64_t to);
    int base_ = -1;
    int folder_ = -1;
    int fd_ = -1;
    std::string name_;    // the output's last component
    std::string hidden_;  // the new file's name while it has one and is not the output's yet
    std::uint64_t baseSize_ = 0;
    int error_ = 0;
};
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
