// The builder's host layer: everything that knows it runs on Linux.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "lindquay.h"

namespace lindquay {

namespace {

FileId IdFromStat(const struct stat& st) { return FileId{st.st_dev, st.st_ino, true}; }

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
            if (!WriteAt(bytes, size, position_)) return Fail();
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
    bool WriteAt(const std::uint8_t* p, std::size_t n, std::uint64_t at) {
        while (n > 0) {
            ssize_t w = ::pwrite(fd_, p, n, static_cast<off_t>(at));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            p += w;
            n -= static_cast<std::size_t>(w);
            at += static_cast<std::uint64_t>(w);
        }
        return true;
    }
    bool Flush() {
        if (failed_) return false;
        if (!buffer_.empty() && !WriteAt(buffer_.data(), buffer_.size(), bufferStart_)) return Fail();
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
        // A link counts as what it points to, like the directory attribute of the original host.
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

FileId IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return IdFromStat(st);
}

std::int64_t RomSizeKB(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_size) / 1024;
}

}  // namespace lindquay
