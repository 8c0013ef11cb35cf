#include "FileCreations.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace veltro {

FileCreations::~FileCreations() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FileCreations::Watch(const std::string& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE) >= 0;
}

void FileCreations::Forget() {
    alignas(inotify_event) char buffer[4096];
    while (::read(fd_, buffer, sizeof(buffer)) > 0) {
    }
}

bool FileCreations::WaitForCreated(const std::string& prefix, int count,
                                   std::chrono::steady_clock::time_point deadline) {
    int seen = 0;
    alignas(inotify_event) char buffer[sizeof(inotify_event) + NAME_MAX + 1];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t length = ::read(fd_, buffer, sizeof(buffer));
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && std::strncmp(event->name, prefix.c_str(), prefix.size()) == 0 &&
                ++seen == count) {
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace veltro
