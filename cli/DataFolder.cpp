#include "cli/DataFolder.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

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
    switch (lock_.Take(folder_, "veltrogprs-cli")) {
        case DataFolderLock::State::kHeld:
            break;
        case DataFolderLock::State::kTaken:
            return "another program uses the data files in " + folder_ + ": " + lock_.Holder() +
                   "; a window writes its lists back when it ends, so close it first";
        case DataFolderLock::State::kUnavailable:
            return "cannot lock the data folder: " + lock_.Why();
    }
    return {};
}

}  // namespace veltro::cli
