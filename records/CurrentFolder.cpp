#include "records/CurrentFolder.h"

#include <limits.h>
#include <unistd.h>

namespace veltro {

std::string CurrentFolder::File(const std::string& name) {
    char directory[PATH_MAX];
    if (::getcwd(directory, sizeof(directory)) == nullptr) {
        return {};
    }
    return std::string(directory) + "/" + name;
}

}  // namespace veltro
