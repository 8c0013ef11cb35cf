#include "dialup/DialupPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "dialup/DialStartCheck.h"

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

std::string DialupPaths::DataUsage() {
    return HomeDir("XDG_STATE_HOME", "/.local/state") + "/veltrogprs/data-usage";
}

std::string DialupPaths::Profile() {
    return HomeDir("XDG_CONFIG_HOME", "/.config") + "/veltrogprs.INI";
}

std::string DialupPaths::RuntimeDirPath() {
    const std::string base = Env("XDG_RUNTIME_DIR");
    std::string dir = Env("VELTROGPRS_RUNTIME_DIR");
    if (dir.empty()) {
        dir = base.empty() ? "/tmp/veltrogprs-" + std::to_string(::getuid()) : base + "/veltrogprs";
    }
    return dir;
}

std::string DialupPaths::RuntimeDir() {
    const std::string dir = RuntimeDirPath();
    ::mkdir(dir.c_str(), 0700);
    return DialStartCheck::RuntimeDir(dir) ? std::string() : dir;
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

bool DialupPaths::MakePrivateParent(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if (parent.empty() || !MakeParent(parent)) {
        return false;
    }
    ::mkdir(parent.c_str(), 0700);
    struct stat info {};
    if (::lstat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    if (info.st_uid == ::getuid() && (info.st_mode & 077) != 0) {
        ::chmod(parent.c_str(), 0700);
    }
    return true;
}

}  // namespace veltro
