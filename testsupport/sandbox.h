// Folders and files of a test: a sandbox folder of its own, whole-file writes and reads, and
// reproducible bytes.
#pragma once

#include <cstddef>
#include <string>

namespace testsupport {

// A fresh folder below the system's temporary folder (its canonical path, so that paths a
// program prints can be compared with it), removed with everything in it on destruction.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Replaces the file with the bytes, making its folders first; throws when that fails, since a
// test whose input is not there tests nothing.
void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// `size` bytes of a fixed pseudo-random sequence; a seed gives always the same bytes.
std::string Pattern(std::size_t size, unsigned seed = 1);

}  // namespace testsupport
