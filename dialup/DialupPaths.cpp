#include "dialup/DialupPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace veltro {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HomeDir(const char* xdgName, const char* fallback) {
    std::string dir = Env(xdgName);
    if (dir.empty()) {
        const std::string home = Env("HOME");
        dir = (home.empty() ? std::string("/tmp") : home) + fallback;
    }
    return dir;
}

}  // namespace

std::string DialupPaths::DefaultPhonebook() {
    const std::string overridden = Env("VELTROGPRS_PHONEBOOK");
    if (!overridden.empty()) {
        return overridden;
    }
    return HomeDir("XDG_CONFIG_HOME", "/.config") + "/veltrogprs/phonebook.ini";
}

std::string DialupPaths::DeviceDefaults() {
    return HomeDir("XDG_STATE_HOME", "/.local/state") + "/veltrogprs/devices.ini";
}

std::string DialupPaths::FailedDialLog() {
    return HomeDir("XDG_STATE_HOME", "/.local/state") + "/veltrogprs/failed-dial.log";
}

std::string DialupPaths::RuntimeDir() {
    const std::string base = Env("XDG_RUNTIME_DIR");
    std::string dir = Env("VELTROGPRS_RUNTIME_DIR");
    if (dir.empty()) {
        dir = base.empty() ? "/tmp/veltrogprs-" + std::to_string(::getuid()) : base + "/veltrogprs";
    }
    ::mkdir(dir.c_str(), 0700);
    struct stat info {};
    // A shared /tmp lets anyone create the folder first: use it only when it is ours
    // and nobody else may put files into it or read the dials' logs.
    if (::lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 077) != 0) {
        return {};
    }
    return dir;
}

bool DialupPaths::MakeParent(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    return std::filesystem::is_directory(parent, ec);
}

}  // namespace veltro
