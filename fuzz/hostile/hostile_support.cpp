#include "hostile_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace hostile {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvamo-hostile-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = fs::canonical(pattern).string();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Snapshot Snap(const std::string& root, const std::vector<std::string>& skipped) {
    Snapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
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

Run RunProgram(const std::vector<std::string>& argv, const std::string& cwd, int seconds) {
    Run run;
    // The output goes to a file outside every sandbox, so that snapshots never see it.
    std::string log = (fs::temp_directory_path() / "corvamo-hostile-output-XXXXXX").string();
    const int logFd = ::mkstemp(log.data());
    if (logFd < 0) throw std::runtime_error("mkstemp failed");
    ::close(logFd);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        run.output = "cannot start " + argv[0];
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            run.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run.timedOut && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.output = ReadFile(log);
    ::unlink(log.c_str());
    return run;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace hostile
