// Volumes of a test's own: a test program that takes a mount namespace of its own can mount a
// small tmpfs for a row (a full disk, a read-only volume) without touching the machine's.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// Takes a mount namespace of its own for this process and its children, with every mount
// private, so that what it mounts is seen by no other process. Call it from main() before any
// thread starts. False when the process may not (it needs root with CAP_SYS_ADMIN).
bool EnterPrivateMounts();
// Whether EnterPrivateMounts succeeded in this process.
bool HavePrivateMounts();

// A tmpfs of `bytes` mounted on the folder `path` (made when missing) for the object's life.
// Throws when it cannot be mounted.
class TmpfsMount {
public:
    TmpfsMount(const std::string& path, std::uint64_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    // Fills the volume with a file of that name until no byte is left.
    void Fill(const std::string& name = "filler") const;
    // Makes the volume read-only (what lies on it stays readable).
    void MakeReadOnly() const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace testsupport
