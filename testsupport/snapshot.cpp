#include "testsupport/snapshot.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "testsupport/sandbox.h"

namespace fs = std::filesystem;

namespace testsupport {

Snapshot Snap(const std::string& root, const std::vector<std::string>& skipped) {
    Snapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        // A tree that cannot be walked to its end would hide every change past the break.
        if (ec) throw std::runtime_error("cannot walk " + root + ": " + ec.message());
        struct stat st {};
        const std::string path = it->path().string();
        if (std::find(skipped.begin(), skipped.end(), path.substr(root.size())) != skipped.end()) {
            it.disable_recursion_pending();
            continue;
        }
        if (::lstat(path.c_str(), &st) != 0) continue;
        // A folder changes with its entries, which are compared one by one.
        std::string facts = std::to_string(st.st_mode);
        if (!S_ISDIR(st.st_mode))
            facts += " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                     std::to_string(st.st_mtim.tv_nsec);
        if (S_ISLNK(st.st_mode)) {
            facts += " -> " + fs::read_symlink(path, ec).string();
        } else if (S_ISREG(st.st_mode) && st.st_size <= (1 << 20)) {
            facts += " " + ReadFile(path);
        }
        snapshot[path.substr(root.size())] = facts;
    }
    return snapshot;
}

std::vector<std::string> Changes(const Snapshot& before, const Snapshot& after,
                                 const std::vector<std::string>& ignored) {
    auto isIgnored = [&](const std::string& path) {
        return std::any_of(ignored.begin(), ignored.end(), [&](const std::string& folder) {
            return path == folder || path.rfind(folder + "/", 0) == 0;
        });
    };
    std::vector<std::string> changes;
    for (const auto& [path, facts] : before) {
        if (isIgnored(path)) continue;
        const auto found = after.find(path);
        if (found == after.end())
            changes.push_back("-" + path);
        else if (found->second != facts)
            changes.push_back("~" + path);
    }
    for (const auto& [path, facts] : after)
        if (!isIgnored(path) && before.count(path) == 0) changes.push_back("+" + path);
    return changes;
}

}  // namespace testsupport
