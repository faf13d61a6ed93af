#include "host.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>

extern char** environ;

namespace lindquay {

namespace {

FileId IdFromStat(const struct stat& st) { return FileId{st.st_dev, st.st_ino, true}; }

FileInfo InfoFromStat(int result, const struct stat& st) {
    if (result != 0) return FileInfo{errno, false, 0, {}};
    return FileInfo{0, S_ISREG(st.st_mode), static_cast<std::uint64_t>(st.st_size), IdFromStat(st)};
}

bool WriteAllAt(int fd, const std::uint8_t* p, std::size_t n, std::uint64_t at) {
    while (n > 0) {
        ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(at));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
        at += static_cast<std::uint64_t>(w);
    }
    return true;
}

// Buffered positioned writer on the output ROM. A failed write latches, so a later item does
// not hide an earlier loss.
class FileOutput final : public PackageOutput {
public:
    explicit FileOutput(int fd) : fd_(fd) { buffer_.reserve(kBufferSize); }
    ~FileOutput() override {
        if (fd_ >= 0) Close();
    }
    bool Write(const void* data, std::size_t size) override {
        if (failed_) return false;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        if (buffer_.size() + size > kBufferSize && !Flush()) return false;
        if (size >= kBufferSize) {
            if (!WriteAllAt(fd_, bytes, size, position_)) return Fail();
            position_ += size;
            bufferStart_ = position_;
            return true;
        }
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        position_ += size;
        return true;
    }
    std::uint64_t Tell() const override { return position_; }
    bool Seek(std::uint64_t position) override {
        if (!Flush()) return false;
        position_ = bufferStart_ = position;
        return true;
    }
    bool Truncate(std::uint64_t size) override {
        if (!Flush()) return false;
        while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
            if (errno != EINTR) return Fail();
        }
        return true;
    }
    bool Close() override {
        bool ok = Flush();
        if (fd_ >= 0 && ::close(fd_) != 0) ok = false;
        fd_ = -1;
        return ok && !failed_;
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    bool Fail() {
        failed_ = true;
        return false;
    }
    bool Flush() {
        if (failed_) return false;
        if (!buffer_.empty() && !WriteAllAt(fd_, buffer_.data(), buffer_.size(), bufferStart_)) return Fail();
        buffer_.clear();
        bufferStart_ = position_;
        return true;
    }
    int fd_;
    bool failed_ = false;
    std::uint64_t position_ = 0;
    std::uint64_t bufferStart_ = 0;
    std::vector<std::uint8_t> buffer_;
};

// The file system type of a tmpfs-like device as the mount table names it: devtmpfs reports
// itself as tmpfs to statfs.
std::string MountedType(dev_t device) {
    static std::map<dev_t, std::string> known;
    if (const auto found = known.find(device); found != known.end()) return found->second;
    std::ifstream table("/proc/self/mountinfo");
    std::string line, type;
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    while (type.empty() && std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, field;
        fields >> id >> parent >> numbers;
        if (numbers != wanted) continue;
        while (fields >> field && field != "-") {
        }
        fields >> type;
    }
    return known[device] = type;
}

// The pseudo file system a folder belongs to, or empty: their trees describe the running
// system (and loop through it), they are not files to pack.
std::string PseudoFileSystem(int fd, dev_t device) {
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0) return {};
    static const std::pair<unsigned long, const char*> kPseudo[] = {
        {PROC_SUPER_MAGIC, "proc"},
        {SYSFS_MAGIC, "sysfs"},
        {DEVPTS_SUPER_MAGIC, "devpts"},
        {CGROUP_SUPER_MAGIC, "cgroup"},
        {CGROUP2_SUPER_MAGIC, "cgroup2"},
        {DEBUGFS_MAGIC, "debugfs"},
        {TRACEFS_MAGIC, "tracefs"},
        {SECURITYFS_MAGIC, "securityfs"},
        {PSTOREFS_MAGIC, "pstore"},
        {BPF_FS_MAGIC, "bpf"},
        {0x62656570, "configfs"},
        {0x65735543, "fusectl"},
        {0x19800202, "mqueue"},
        {BINFMTFS_MAGIC, "binfmt_misc"},
        {EFIVARFS_MAGIC, "efivarfs"},
        {SELINUX_MAGIC, "selinuxfs"},
        {NSFS_MAGIC, "nsfs"},
        {HUGETLBFS_MAGIC, "hugetlbfs"},
        {AUTOFS_SUPER_MAGIC, "autofs"},
        {0x67596969, "rpc_pipefs"},
        {0x6e667364, "nfsd"},
    };
    const auto type = static_cast<unsigned long>(info.f_type);
    for (const auto& [magic, name] : kPseudo) {
        if (type == magic) return name;
    }
    if (type == TMPFS_MAGIC && MountedType(device) == "devtmpfs") return "devtmpfs";
    return {};
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

FolderListing ListFolder(const std::string& hostPath) {
    FolderListing listing;
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        listing.error = errno;
        return listing;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0) listing.id = IdFromStat(st);
    listing.pseudo = PseudoFileSystem(fd, st.st_dev);
    if (!listing.pseudo.empty()) {
        ::close(fd);
        return listing;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        listing.error = errno;
        ::close(fd);
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            listing.error = errno;
            break;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        bool isFolder = e->d_type == DT_DIR;
        // A link counts as what it points to: a link to a folder is walked as a folder.
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat target {};
            isFolder = ::fstatat(dirfd(dir), e->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        (isFolder ? listing.folders : listing.files).emplace_back(e->d_name);
    }
    ::closedir(dir);
    if (listing.error != 0) {
        listing.folders.clear();
        listing.files.clear();
    }
    return listing;
}

std::unique_ptr<PackageOutput> OpenOutputFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<FileOutput>(fd);
}

std::string RunningProgramPath() {
    std::error_code ec;
    auto p = std::filesystem::canonical("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string BaseRomPath(const std::string& programPath) {
    std::string base = programPath;
    if (base.size() >= 4) {
        std::string tail = base.substr(base.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (tail == ".exe") base.resize(base.size() - 4);
    }
    return base + ".rom";
}

bool FullPath(const std::string& name, std::string& result) {
    if (name.empty()) return false;
    std::error_code ec;
    auto p = std::filesystem::absolute(name, ec);
    if (ec) return false;
    result = p.lexically_normal().string();
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return true;
}

namespace {

// A name of the output's folder that no file holds yet: ".NAME.XXXXXX".
std::string HiddenName(const std::string& name, unsigned attempt) {
    static std::random_device random;
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string hidden = "." + name.substr(0, 200) + ".";
    std::uint64_t bits = (std::uint64_t{random()} << 32) ^ random() ^ attempt;
    for (int i = 0; i < 6; ++i, bits /= 62) hidden += kLetters[bits % 62];
    return hidden;
}

// Moves `length` bytes at `at` from one file to the same place in another, in the kernel where
// it can (a reflink on file systems that share extents).
bool CopyAt(int from, int to, std::uint64_t at, std::uint64_t length) {
    auto in = static_cast<off_t>(at), out = static_cast<off_t>(at);
    while (length > 0) {
        const ssize_t n = ::copy_file_range(from, &in, to, &out, length, 0);
        if (n > 0) {
            length -= static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) return errno = EIO, false;  // the base ROM shrank meanwhile
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
        std::vector<std::uint8_t> block(std::min<std::uint64_t>(length, 1 << 20));
        while (length > 0) {
            const ssize_t got = ::pread(from, block.data(), std::min<std::uint64_t>(length, block.size()), in);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return errno = got == 0 ? EIO : errno, false;
            if (!WriteAllAt(to, block.data(), static_cast<std::size_t>(got), static_cast<std::uint64_t>(out)))
                return false;
            in += got;
            out += got;
            length -= static_cast<std::uint64_t>(got);
        }
    }
    return true;
}

}  // namespace

NewRom::NewRom(const std::string& baseRom, const std::string& outputPath, std::uint64_t packageOffset) {
    base_ = ::open(baseRom.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (base_ < 0 || ::fstat(base_, &st) != 0) {
        error_ = errno;
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return;
    }
    baseSize_ = static_cast<std::uint64_t>(st.st_size);

    const std::size_t slash = outputPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : outputPath.substr(0, slash);
    name_ = slash == std::string::npos ? outputPath : outputPath.substr(slash + 1);
    if (name_.empty() || name_ == "." || name_ == "..") {
        error_ = EISDIR;
        return;
    }
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
        error_ = errno;
        return;
    }
    // A folder, device or pipe under the output's name is not a ROM to replace.
    if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode) &&
        !S_ISLNK(st.st_mode)) {
        error_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return;
    }
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    for (unsigned attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        if (attempt == 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) break;
        hidden_ = HiddenName(name_, attempt);
        fd_ = ::openat(folder_, hidden_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        error_ = errno;
        hidden_.clear();
        return;
    }
    if (!CopyBase(0, std::min(baseSize_, packageOffset))) error_ = errno;
}

NewRom::~NewRom() {
    if (!hidden_.empty()) ::unlinkat(folder_, hidden_.c_str(), 0);
    for (int fd : {fd_, folder_, base_})
        if (fd >= 0) ::close(fd);
}

// The base ROM's bytes in [from, to) at the same offsets, its holes left as holes.
bool NewRom::CopyBase(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return true;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    if (static_cast<std::uint64_t>(st.st_size) < to && ::ftruncate(fd_, static_cast<off_t>(to)) != 0) return false;
    for (std::uint64_t at = from; at < to;) {
        off_t data = ::lseek(base_, static_cast<off_t>(at), SEEK_DATA);
        if (data < 0 && errno == ENXIO) return true;  // only a hole is left
        off_t hole = data < 0 ? -1 : ::lseek(base_, data, SEEK_HOLE);
        if (data < 0 || hole < 0) {  // a file system that cannot tell: all of it is data
            data = static_cast<off_t>(at);
            hole = static_cast<off_t>(to);
        }
        const std::uint64_t start = static_cast<std::uint64_t>(data);
        const std::uint64_t end = std::min<std::uint64_t>(static_cast<std::uint64_t>(hole), to);
        if (start >= to) return true;
        if (!CopyAt(base_, fd_, start, end - start)) return false;
        at = end;
    }
    return true;
}

bool NewRom::Keep() {
    struct stat st {};
    if (error_ != 0) return false;
    if (::fstat(fd_, &st) != 0 || !CopyBase(static_cast<std::uint64_t>(st.st_size), baseSize_) || ::fsync(fd_) != 0) {
        error_ = errno;
        return false;
    }
    for (unsigned attempt = 0; hidden_.empty() && attempt < 100; ++attempt) {
        const std::string name = HiddenName(name_, attempt);
        if (::linkat(AT_FDCWD, OpenedPath().c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(fd_, "", folder_, name.c_str(), AT_EMPTY_PATH) == 0) {
            hidden_ = name;
        } else if (errno != EEXIST) {
            error_ = errno;
            return false;
        }
    }
    if (hidden_.empty() || ::renameat(folder_, hidden_.c_str(), folder_, name_.c_str()) != 0) {
        error_ = hidden_.empty() ? EEXIST : errno;
        return false;
    }
    hidden_.clear();
    ::fsync(folder_);  // the new name survives a power cut
    return true;
}

std::int64_t RomSizeKB(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_size) / 1024;
}

FileInfo StatFile(const std::string& path) {
    struct stat st {};
    const int result = ::stat(path.c_str(), &st);
    return InfoFromStat(result, st);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

int RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

std::string ResolvedPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path current = fs::absolute(path, ec).lexically_normal();
    for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(current, ec)); ++links) {
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) break;
        current = (target.is_absolute() ? target : current.parent_path() / target).lexically_normal();
    }
    const fs::path folder = fs::weakly_canonical(current.parent_path(), ec);
    return ((ec ? current.parent_path() : folder) / current.filename()).string();
}

bool SameFile(const std::string& a, const std::string& b) {
    const FileId idA = StatFile(a).id, idB = StatFile(b).id;
    if (idA.valid || idB.valid) return idA == idB;
    return ResolvedPath(a) == ResolvedPath(b);
}

BuildLock::BuildLock(const std::string& path, const std::string& folder, std::ostream* notices)
    : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644)) {
    if (fd_ < 0) {
        // A program folder that cannot hold the lock cannot hold the temporary files either; a
        // build of plain files still works there, as it always did.
        if (notices) *notices << "Lindquay: cannot lock " << path << ": " << std::strerror(errno) << std::endl;
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (notices) *notices << "Lindquay: waiting for another build in " << folder << " to finish" << std::endl;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

BuildLock::~BuildLock() {
    if (fd_ >= 0) ::close(fd_);
}

InputFile::InputFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    if (fd_ < 0) error_ = errno;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

FileInfo InputFile::Info() const {
    struct stat st {};
    const int result = ::fstat(fd_, &st);
    return InfoFromStat(result, st);
}

std::int64_t InputFile::Read(void* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, data, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

std::size_t InputFile::ReadAt(void* data, std::size_t size, std::uint64_t at) {
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

OutputFile::OutputFile(const std::string& path, bool createNew)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (createNew ? O_EXCL | O_NOFOLLOW : O_TRUNC), 0644)) {
    if (fd_ < 0) error_ = errno;
}

std::string OutputFile::OpenedPath() const { return "/proc/self/fd/" + std::to_string(fd_); }

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::WriteAll(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) == 0) return true;
    error_ = errno;
    return false;
}

int RunAndWait(const std::string& workFolder, const std::vector<std::string>& argv, int& error) {
    // The builder's own folder comes first, so a glimmet beside Lindquay wins over one on PATH.
    const std::string local = workFolder + argv[0];
    const bool useLocal = IsExecutableFile(local);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workFolder.c_str());
    pid_t pid = 0;
    error = useLocal ? posix_spawn(&pid, local.c_str(), &actions, nullptr, args.data(), environ)
                     : posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
    return status;
}

std::string HowItEnded(int status) {
    return WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

}  // namespace lindquay
