#include "modem/StoredFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace veltro {

namespace {

StoredFile Failed(std::string why) {
    StoredFile file;
    file.state = StoredFile::State::kFailed;
    file.why = std::move(why);
    return file;
}

}  // namespace

StoredFile StoredFile::Read(const std::string& path, std::size_t maxBytes) {
    // O_NONBLOCK: a FIFO put in the file's place must not hang the load.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return {};
        }
        return Failed(std::strerror(errno));
    }
    struct stat info {};
    StoredFile file;
    if (::fstat(fd, &info) != 0) {
        file = Failed(std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        file = Failed("not a regular file");
    } else if (info.st_uid != ::geteuid()) {
        file = Failed("owned by another user (uid " + std::to_string(info.st_uid) + ")");
    } else if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        file = Failed("larger than " + std::to_string(maxBytes) + " bytes");
    } else {
        file.state = State::kRead;
        file.bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < file.bytes.size()) {
            const ssize_t n = ::read(fd, file.bytes.data() + done, file.bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                file = Failed(std::strerror(errno));
                break;
            }
            if (n == 0) {
                // The file shrank while it was read: what is there is all there is.
                file.bytes.resize(done);
                break;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return file;
}

std::string StoredFile::MoveAside(const std::string& path, std::time_t now) {
    std::tm local{};
    char stamp[32];
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M", &local) == 0) {
        return {};
    }
    const std::string base = path + ".damaged-" + stamp;
    for (int n = 1; n < 100; ++n) {
        const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
        // Never over an earlier damaged file of the same name.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            return target;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

}  // namespace veltro
