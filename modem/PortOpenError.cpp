#include "modem/PortOpenError.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace veltro {

bool PortOpenError::IsActionable() const {
    return error_ == EACCES || error_ == EPERM || error_ == EBUSY;
}

std::string PortOpenError::Describe(std::string_view group) const {
    const std::string path = "/dev/" + portName_;
    switch (error_) {
        case 0:
            return {};
        case EACCES:
        case EPERM:
            if (group.empty() || group == "root") {
                return "permission denied on " + path + ": ask for read and write access to it";
            }
            return "permission denied on " + path + ": add yourself to the group " +
                   std::string(group) + " and log in again";
        case EBUSY:
            return portName_ + " is in use by another program";
        case ENOENT:
            return path + " does not exist";
        case ENXIO:
        case ENODEV:
            return "no device behind " + path + "; is the card plugged in?";
        default:
            return "cannot open " + path + ": " + std::strerror(error_);
    }
}

std::string PortOpenError::Describe() const {
    return Describe(GroupOf("/dev/" + portName_));
}

std::string PortOpenError::GroupOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 4096);
    group entry{};
    group* found = nullptr;
    while (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found != nullptr ? std::string(found->gr_name) : std::string();
}

}  // namespace veltro
