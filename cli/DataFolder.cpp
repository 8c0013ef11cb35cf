#include "cli/DataFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cli/SystemFacts.h"

namespace veltro::cli {

namespace {

std::string HomeFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        return std::string(data) + "/veltrogprs";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.local/share/veltrogprs";
    }
    return {};
}

std::string CurrentFolder() {
    char folder[PATH_MAX];
    return ::getcwd(folder, sizeof(folder)) != nullptr ? std::string(folder) : std::string();
}

}  // namespace

DataFolder::DataFolder(bool dataHome)
    : folder_(dataHome ? HomeFolder() : CurrentFolder()), dataHome_(dataHome) {}

DataFolder::~DataFolder() {
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

std::string DataFolder::PathOf(const char* fileName) const {
    return folder_.empty() ? std::string() : folder_ + "/" + fileName;
}

std::string DataFolder::LockForChange() {
    if (folder_.empty()) {
        return dataHome_ ? "--data-home: no data folder without HOME"
                         : "the current folder cannot be read";
    }
    if (dataHome_) {
        std::error_code ec;
        if (std::filesystem::create_directories(folder_, ec)) {
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, ec);
        }
    }
    if (lockFd_ < 0) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return "cannot open the data folder " + folder_ + ": " + std::strerror(errno);
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return "another veltrogprs-cli is changing the data files in " + folder_;
        }
        lockFd_ = fd;
    }
    if (SystemFacts::Locked(SystemFacts::LockPath())) {
        return "the veltrogprs window runs and writes its phonebook back when it ends; close "
               "it first";
    }
    return {};
}

}  // namespace veltro::cli
