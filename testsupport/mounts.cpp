#include "testsupport/mounts.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

namespace {

bool privateMounts = false;

[[noreturn]] void Throw(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

bool EnterPrivateMounts() {
    privateMounts = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return privateMounts;
}

bool HavePrivateMounts() { return privateMounts; }

TmpfsMount::TmpfsMount(const std::string& path, std::uint64_t bytes) : path_(path) {
    if (!privateMounts) throw std::runtime_error("a tmpfs needs a mount namespace of the test's own");
    std::filesystem::create_directories(path);
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
        Throw("cannot mount a tmpfs on " + path);
}

TmpfsMount::~TmpfsMount() { ::umount2(path_.c_str(), MNT_DETACH); }

void TmpfsMount::Fill(const std::string& name) const {
    const std::string file = path_ + "/" + name;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Throw("cannot create " + file);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

void TmpfsMount::MakeReadOnly() const {
    if (::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) != 0)
        Throw("cannot make " + path_ + " read-only");
}

}  // namespace testsupport
