#include "dialup/DialStartCheck.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "dialup/PppdDialService.h"

namespace veltro {

namespace {

std::string Mode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string UserName(uid_t uid) {
    const passwd* entry = ::getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

constexpr const char* kOtherFolder = "; or name a folder of your own with VELTROGPRS_RUNTIME_DIR";

}  // namespace

std::optional<DialStartProblem> DialStartCheck::RuntimeDir(const std::string& dir) {
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) {
        return DialStartProblem{"the runtime folder " + dir + " does not exist and cannot be made",
                                "make its parent folder " +
                                    std::filesystem::path(dir).parent_path().string() +
                                    " writable for you" + kOtherFolder};
    }
    if (!S_ISDIR(info.st_mode)) {
        return DialStartProblem{"the runtime folder " + dir + " is not a folder",
                                "remove it: rm " + dir + kOtherFolder};
    }
    if (info.st_uid != ::getuid()) {
        return DialStartProblem{
            "the runtime folder " + dir + " belongs to " + UserName(info.st_uid) + ", not to " +
                UserName(::getuid()),
            "remove it (as its owner or root): sudo rm -r " + dir + kOtherFolder};
    }
    if ((info.st_mode & 077) != 0) {
        return DialStartProblem{"the runtime folder " + dir + " is mode " + Mode(info.st_mode) +
                                    ", open to other users",
                                "close it: chmod 700 " + dir};
    }
    return std::nullopt;
}

std::optional<DialStartProblem> DialStartCheck::CardName(const std::string& port,
                                                         const std::string& cardDevice) {
    const std::string pin = "give the card's port the name: sudo veltrogprs-cli device pin " + port;
    std::error_code ec;
    if (!std::filesystem::exists(cardDevice, ec)) {
        return DialStartProblem{"the card has no fixed name: " + cardDevice +
                                    " does not exist, and pppd dials only that name",
                                pin};
    }
    if (!PppdDialService::IsCard(port, cardDevice)) {
        const auto target = std::filesystem::canonical(cardDevice, ec);
        return DialStartProblem{cardDevice + " is " + (ec ? "unreadable" : target.string()) +
                                    ", not the card's port /dev/" + port,
                                pin};
    }
    return std::nullopt;
}

std::vector<DialStartProblem> DialStartCheck::Find(const DialupDevice& device,
                                                   const std::string& program, const Paths& paths) {
    std::vector<DialStartProblem> problems;
    if (auto problem = RuntimeDir(paths.runtimeDir)) {
        problems.push_back(*problem);
    }
    if (PppdDialService::IsStandIn(program)) {
        if (::access(program.c_str(), X_OK) != 0) {
            problems.push_back({"the virtual card's dialer " + program + " is missing",
                                "reinstall veltrogprs: sudo apt install --reinstall veltrogprs"});
        }
        return problems;
    }
    std::error_code ec;
    if (::access(paths.pppd.c_str(), X_OK) != 0) {
        problems.push_back({paths.pppd + " is missing or not yours to run",
                            "install it: sudo apt install ppp, and join group dip: sudo adduser " +
                                UserName(::getuid()) + " dip"});
    }
    if (!std::filesystem::exists(paths.peersFile, ec)) {
        problems.push_back({"pppd's peers file " + paths.peersFile + " is missing",
                            "reinstall veltrogprs: sudo apt install --reinstall veltrogprs"});
    }
    if (!std::filesystem::exists(paths.devPpp, ec)) {
        problems.push_back({paths.devPpp + " is missing: the kernel has no PPP support loaded",
                            "load it: sudo modprobe ppp_generic"});
    }
    if (auto problem = CardName(device.port, paths.cardDevice)) {
        problems.push_back(*problem);
    }
    return problems;
}

}  // namespace veltro
