// Another user acting in a folder shared with the program under test, at the very moment the
// program opens a file there: the program's open waits (a fanotify permission event, root only)
// while the action runs, so a row can swap a name for a link exactly between the program's
// creating a file and its next use of that name, without a race.
#pragma once

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>

namespace testsupport {

class OnFirstOpen {
public:
    // action(path) runs once per name, the first time an entry of folder whose name satisfies
    // matches is opened by anyone; every open is then allowed.
    OnFirstOpen(const std::string& folder, std::function<bool(const std::string& name)> matches,
                std::function<void(const std::string& path)> action);
    ~OnFirstOpen();
    OnFirstOpen(const OnFirstOpen&) = delete;
    OnFirstOpen& operator=(const OnFirstOpen&) = delete;
    // How many times the action ran.
    int actions() const { return actions_; }

    // The attacker's swap: the new file is renamed to PATH.taken and a link to target takes its name.
    static std::function<void(const std::string&)> SwapForLinkTo(const std::string& target);

private:
    void watch();

    std::string folder_;
    std::function<bool(const std::string&)> matches_;
    std::function<void(const std::string&)> action_;
    std::set<std::string> done_;
    std::atomic<int> actions_{0};
    int fanotify_ = -1, stop_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace testsupport
