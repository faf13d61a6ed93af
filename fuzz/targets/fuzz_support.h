// Helpers shared by the fuzz targets: a scratch folder per process, files written from the
// input, and a check that stops the run with a reason libFuzzer and the replay both show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace fuzz_support {

// A folder of this process's own, made on first use (in /dev/shm when it can be, so that
// writing the input costs no disk) and removed at exit; $CORVAMO_FUZZ_SCRATCH when that is set.
const std::string& Scratch();

// Replaces path with the bytes; aborts when that fails, since the input would not be tested.
void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size);
std::string ReadFile(const std::string& path);

// Removes everything below folder (not folder itself) without following links.
void EmptyFolder(const std::string& folder);

// One entry of WalkTree: its path, its type (a dirent DT_ value), and its name in the folder open
// at `folder`, for fstatat: a path may be longer than the system takes.
struct TreeEntry {
    const std::string& path;
    unsigned char type;
    int folder;
    const char* name;
};
// Calls visit with everything below folder, folders before what they hold (unless visit returns
// false for the folder), without following links. Cheaper than std::filesystem's iterators, which
// allocate a buffer per folder: targets walk their sandbox after every input.
void WalkTree(const std::string& folder, const std::function<bool(const TreeEntry& entry)>& visit);

// True for one input in n, chosen by a hash of its bytes, so that a replay chooses the same. Not by
// its size: most mutations keep the size, so all mutants of a chosen input would be chosen too.
bool OneIn(std::size_t n, const std::uint8_t* data, std::size_t size);
// One of n choices (0 to n - 1) by the same hash's higher bits, so that it does not follow OneIn's.
std::size_t Pick(std::size_t n, const std::uint8_t* data, std::size_t size);

[[noreturn]] void Fail(const char* file, int line, const std::string& what);

}  // namespace fuzz_support

// Aborts the run (a finding) when cond is false.
#define FUZZ_CHECK(cond, what)                                                    \
    do {                                                                          \
        if (!(cond)) ::fuzz_support::Fail(__FILE__, __LINE__, std::string(what)); \
    } while (0)
