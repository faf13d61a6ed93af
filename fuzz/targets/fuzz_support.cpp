#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void EmptyFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code removeError;
        fs::remove_all(entry.path(), removeError);  // does not follow links
    }
}

void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz_support
