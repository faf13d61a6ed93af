// What the hostile-input suites share: a sandbox folder, a snapshot of a tree to prove that
// nothing outside a program's own folders changed, and running a real program the way a user
// does (its own folder, standard input from /dev/null, output captured).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace hostile {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Every entry below a folder, not following links: type, size, permissions, modification time,
// link target, and the bytes of files up to 1 MiB (the size alone beyond); keyed by the path
// relative to root. Folders named in skipped (relative, "/" first) are left out whole.
using Snapshot = std::map<std::string, std::string>;
Snapshot Snap(const std::string& root, const std::vector<std::string>& skipped = {});
// The entries that were added, removed or changed between two snapshots, as "+path", "-path"
// and "~path", leaving out those below one of the ignored relative folders (or equal to one of
// them).
std::vector<std::string> Changes(const Snapshot& before, const Snapshot& after,
                                 const std::vector<std::string>& ignored = {});

struct Run {
    int exitCode = -1;  // -1: killed by a signal or by the time limit
    bool timedOut = false;
    std::string output;  // standard output and standard error together
};
// Runs argv[0] with the arguments in folder cwd, standard input from /dev/null, and kills it
// after seconds.
Run RunProgram(const std::vector<std::string>& argv, const std::string& cwd, int seconds = 60);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace hostile
