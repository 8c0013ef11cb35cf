#include "modem/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace veltro {

namespace {

constexpr int kNameAttempts = 100;

// Creates a temporary file beside path, exclusively. The kernel applies the umask to
// mode, which is how a new file honours it without reading it.
int CreateTemporary(const std::string& path, mode_t mode, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof(suffix), ".%d.%llx.%u", static_cast<int>(::getpid()),
                      static_cast<unsigned long long>(stamp), counter.fetch_add(1));
        name = path + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool AtomicFile::Write(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    std::string name;
    const int fd = CreateTemporary(path, newFileMode & 0777, name);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            ok = errno == EINTR;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (ok && replacing) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(name.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(name.c_str());
    return false;
}

}  // namespace veltro
