#include "testsupport/on_open.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

OnFirstOpen::OnFirstOpen(const std::string& folder, std::function<bool(const std::string&)> matches,
                         std::function<void(const std::string&)> action)
    : folder_(std::filesystem::canonical(folder).string()), matches_(std::move(matches)), action_(std::move(action)) {
    fanotify_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
    if (fanotify_ < 0 || ::pipe2(stop_, O_CLOEXEC) != 0 ||
        ::fanotify_mark(fanotify_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder_.c_str()) != 0)
        throw std::runtime_error(std::string("fanotify on ") + folder_ + ": " + std::strerror(errno));
    thread_ = std::thread([this] { watch(); });
}

OnFirstOpen::~OnFirstOpen() {
    [[maybe_unused]] const ssize_t n = ::write(stop_[1], "x", 1);
    thread_.join();
    ::close(fanotify_);
    ::close(stop_[0]);
    ::close(stop_[1]);
}

void OnFirstOpen::watch() {
    alignas(fanotify_event_metadata) char buffer[8192];
    for (;;) {
        pollfd fds[2] = {{fanotify_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        const ssize_t length = ::read(fanotify_, buffer, sizeof buffer);
        if (length <= 0) continue;
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (ssize_t left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->fd < 0) continue;
            char path[4096];
            const std::string link = "/proc/self/fd/" + std::to_string(event->fd);
            const ssize_t size = ::readlink(link.c_str(), path, sizeof path - 1);
            if (size > 0) {
                const std::filesystem::path opened(std::string(path, std::size_t(size)));
                const std::string name = opened.filename().string();
                if (opened.parent_path() == folder_ && !done_.count(name) && matches_(name)) {
                    done_.insert(name);
                    action_(opened.string());
                    ++actions_;
                }
            }
            const fanotify_response allow{event->fd, FAN_ALLOW};
            [[maybe_unused]] const ssize_t n = ::write(fanotify_, &allow, sizeof allow);
            ::close(event->fd);
        }
    }
}

std::function<void(const std::string&)> OnFirstOpen::SwapForLinkTo(const std::string& target) {
    return [target](const std::string& path) {
        std::filesystem::rename(path, path + ".taken");
        std::filesystem::create_symlink(target, path);
    };
}

}  // namespace testsupport
