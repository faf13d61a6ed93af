#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace fuzz_support {

namespace {

std::string MakeScratch() {
    // scripts/fuzz.sh names one, since libFuzzer ends a run at a finding without exit handlers.
    if (const char* given = std::getenv("CORVAMO_FUZZ_SCRATCH"); given && *given) {
        std::error_code ec;
        fs::create_directories(given, ec);
        FUZZ_CHECK(!ec, std::string("cannot make the scratch folder ") + given);
        return given;
    }
    std::string base = "/dev/shm";
    if (::access(base.c_str(), W_OK) != 0) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp && *tmp ? tmp : "/tmp";
    }
    std::string pattern = base + "/corvamo-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

}  // namespace

const std::string& Scratch() {
    // Never destroyed, so that the removal at exit can still read it.
    static const std::string& folder = *new std::string([] {
        std::string made = MakeScratch();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(Scratch(), ec);
        });
        return made;
    }());
    return folder;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0, "cannot write the input to " + path);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0, "cannot write the input to " + path);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

namespace {

// The entries of the folder open at fd, as names and types.
template <typename Visit>
void ForEachEntry(int fd, Visit visit) {
    alignas(8) char buffer[16384];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got <= 0) return;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            }
            visit(entry->d_name, type);
        }
    }
}

void WalkBelow(int parent, const std::string& path, const std::function<bool(const TreeEntry& entry)>& visit) {
    ForEachEntry(parent, [&](const char* name, unsigned char type) {
        const std::string child = path + "/" + name;
        if (!visit(TreeEntry{child, type, parent, name}) || type != DT_DIR) return;
        const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        FUZZ_CHECK(fd >= 0, "cannot open the folder " + child);
        WalkBelow(fd, child, visit);
        ::close(fd);
    });
}

void RemoveBelow(int parent) {
    ForEachEntry(parent, [&](const char* name, unsigned char type) {
        if (type == DT_DIR) {
            const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                ::fchmod(fd, 0700);  // a folder extracted without write permission
                RemoveBelow(fd);
                ::close(fd);
            }
        }
        ::unlinkat(parent, name, type == DT_DIR ? AT_REMOVEDIR : 0);
    });
}

}  // namespace

void EmptyFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Entries removed while the folder is read may be skipped by the read: read again until empty.
    for (int pass = 0; pass < 8; ++pass) {
        RemoveBelow(fd);
        ::lseek(fd, 0, SEEK_SET);
        bool empty = true;
        ForEachEntry(fd, [&](const char*, unsigned char) { empty = false; });
        ::lseek(fd, 0, SEEK_SET);
        if (empty) break;
    }
    ::close(fd);
}

namespace {
std::uint32_t Hash(const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash;
}
}  // namespace

bool OneIn(std::size_t n, const std::uint8_t* data, std::size_t size) { return Hash(data, size) % n == 0; }

std::size_t Pick(std::size_t n, const std::uint8_t* data, std::size_t size) { return (Hash(data, size) >> 16) % n; }

void WalkTree(const std::string& folder, const std::function<bool(const TreeEntry& entry)>& visit) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "cannot open the folder " + folder);
    WalkBelow(fd, folder, visit);
    ::close(fd);
}

void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz_support
