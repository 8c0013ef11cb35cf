#include "records/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sstream>

namespace veltro {

namespace {

constexpr std::size_t kMaxNote = 256;

// The note's words are another process's text: only plain names pass.
bool PlainName(const std::string& word) {
    if (word.empty() || word.size() > 64) {
        return false;
    }
    for (const char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

}  // namespace

DataFolderLock::~DataFolderLock() {
    Release();
}

void DataFolderLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

DataFolderLock::State DataFolderLock::Take(const std::string& folder, const std::string& program) {
    if (fd_ >= 0) {
        return State::kHeld;
    }
    const std::string path = folder + "/" + kFileName;
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
    if (fd < 0 && errno == EACCES) {
        // A lock file left by another user still locks when it can be read.
        fd = ::open(path.c_str(), O_RDONLY | kFlags);
        writable = false;
    }
    if (fd < 0) {
        why_ = path + ": " + std::strerror(errno);
        return State::kUnavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            why_ = path + ": " + std::strerror(error);
            ::close(fd);
            return State::kUnavailable;
        }
        ReadNote(fd);
        ::close(fd);
        return State::kTaken;
    }
    fd_ = fd;
    if (writable) {
        char host[HOST_NAME_MAX + 1] = {};
        ::gethostname(host, sizeof(host) - 1);
        const std::string note = std::to_string(::getpid()) + " " + host + " " + program + "\n";
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::pwrite(fd, note.data(), note.size(), 0);
        }
    }
    return State::kHeld;
}

void DataFolderLock::ReadNote(int fd) {
    char bytes[kMaxNote];
    const ssize_t n = ::pread(fd, bytes, sizeof(bytes), 0);
    std::istringstream note(std::string(bytes, n > 0 ? static_cast<std::size_t>(n) : 0));
    std::string pid, host, program;
    note >> pid >> host >> program;
    holder_ = "an unknown process";
    pid_ = 0;
    host_.clear();
    if (PlainName(pid) && pid.find_first_not_of("0123456789") == std::string::npos &&
        pid.size() < 10 && PlainName(host)) {
        pid_ = std::stoi(pid);
        host_ = host;
        holder_ = "pid " + pid + " on host " + host;
        if (PlainName(program)) {
            holder_ += " (" + program + ")";
        }
    }
}

}  // namespace veltro
