#include "cli/SystemFacts.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliContext.h"
#include "cli/DoctorChecks.h"
#include "dialup/PppdCommandLine.h"

namespace veltro::cli {

namespace {

namespace fs = std::filesystem;

std::string GroupName(gid_t gid) {
    const group* entry = ::getgrgid(gid);
    return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

bool ProcessRuns(const std::string& command) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (comm && std::getline(comm, name) && name == command) {
            return true;
        }
    }
    return false;
}

}  // namespace

FileFacts SystemFacts::File(const std::string& path) {
    FileFacts facts;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return facts;
    }
    facts.exists = true;
    facts.owner = status.st_uid;
    facts.group = status.st_gid;
    facts.mode = status.st_mode;
    const passwd* owner = ::getpwuid(status.st_uid);
    facts.ownerName = owner != nullptr ? owner->pw_name : std::to_string(status.st_uid);
    facts.groupName = GroupName(status.st_gid);
    facts.readWrite = ::access(path.c_str(), R_OK | W_OK) == 0;
    facts.executable = ::access(path.c_str(), X_OK) == 0;
    return facts;
}

std::string SystemFacts::LockPath() {
    // Where the window keeps it: the runtime directory Qt uses.
    std::string dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        dir = runtime;
    } else {
        const passwd* self = ::getpwuid(::geteuid());
        dir = std::string("/tmp/runtime-") + (self != nullptr ? self->pw_name : "unknown");
    }
    return dir + "/veltrogprs.lock";
}

bool SystemFacts::Locked(const std::string& path) {
    // /proc/locks names a lock by "major:minor:inode" of its file, in hex for the
    // device; reading it takes no lock of our own.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return false;
    }
    char id[64];
    std::snprintf(id, sizeof(id), "%02x:%02x:%lu", major(status.st_dev), minor(status.st_dev),
                  static_cast<unsigned long>(status.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word == id) {
                return true;
            }
        }
    }
    return false;
}

DoctorFacts SystemFacts::Gather(const ModemDeviceClass::SystemRoots& roots) {
    DoctorFacts facts;
    const passwd* self = ::getpwuid(::geteuid());
    facts.user = self != nullptr ? self->pw_name : std::to_string(::geteuid());
    facts.root = ::geteuid() == 0;

    facts.processGroups.push_back(GroupName(::getegid()));
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0 && ::getgroups(count, groups.data()) == count) {
        for (gid_t gid : groups) {
            facts.processGroups.push_back(GroupName(gid));
        }
    }
    if (self != nullptr) {
        int accountCount = 64;
        std::vector<gid_t> account(static_cast<std::size_t>(accountCount));
        if (::getgrouplist(self->pw_name, self->pw_gid, account.data(), &accountCount) < 0) {
            account.resize(static_cast<std::size_t>(accountCount));
            ::getgrouplist(self->pw_name, self->pw_gid, account.data(), &accountCount);
        }
        for (int i = 0; i < accountCount; ++i) {
            facts.accountGroups.push_back(GroupName(account[static_cast<std::size_t>(i)]));
        }
    }

    facts.pppd = File(DoctorChecks::kPppdPath);
    facts.peers = File(DoctorChecks::kPeersPath);
    facts.devPpp = File("/dev/ppp");
    facts.card = File(PppdCommandLine::kCardDevice);
    std::error_code cardError;
    const std::string target = fs::canonical(PppdCommandLine::kCardDevice, cardError).string();
    if (!cardError && target.rfind("/dev/", 0) == 0) {
        facts.cardTarget = target.substr(5);
    }
    std::error_code ec;
    facts.pppModuleLoaded = fs::exists("/sys/module/ppp_generic", ec);
    facts.modemManagerRunning = ProcessRuns("ModemManager");

    const ModemDeviceClass devices = ModemDeviceClass::Load(roots);
    facts.source = devices.Source();
    facts.tablePath = ModemDeviceClass::TablePath();
    for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
        const auto device = devices.Instance(i);
        if (!device) {
            continue;
        }
        ++facts.instanceCount;
        if (device->friendlyName.find(CliContext::kModemDeviceName) == std::string::npos) {
            continue;
        }
        PortFacts port;
        port.instance = ModemDeviceClass::InstanceName(i);
        port.name = device->attachedTo;
        port.file = File("/dev/" + port.name);
        const auto properties = ModemDeviceClass::UdevProperties(roots, port.name);
        const auto ignore = properties.find(ModemDeviceClass::kModemManagerIgnoreProperty);
        port.modemManagerIgnores = port.name.rfind("pts/", 0) == 0 ||
                                   (ignore != properties.end() && ignore->second == "1");
        facts.ports.push_back(port);
    }

    facts.lockPath = LockPath();
    facts.windowRunning = Locked(facts.lockPath);
    return facts;
}

}  // namespace veltro::cli
