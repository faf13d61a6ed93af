// A snapshot of a tree, to prove that nothing outside a program's own folders changed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

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

}  // namespace testsupport
