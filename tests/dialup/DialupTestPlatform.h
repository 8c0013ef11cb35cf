#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialup/DialupPlatform.h"

namespace veltro::test {

// A dial service that answers from tables the test fills in and records what it is
// asked.
class FakeDialService final : public DialService {
public:
    int dialResult = 0;
    ConnectionHandle nextHandle = 41;
    std::vector<DialRequest> dials;
    std::map<ConnectionHandle, ConnectionStatus> statuses;
    // States the dialled connection passes, one per status read; the last one stays.
    std::vector<int> stateScript;
    std::optional<std::vector<ActiveConnection>> connections = std::vector<ActiveConnection>{};
    std::vector<ConnectionHandle> hangUps;
    int hangUpResult = 0;
    std::map<ConnectionHandle, LinkStatistics> statistics;

    int Dial(const DialRequest& request, ConnectionHandle& handle) override {
        dials.push_back(request);
        if (dialResult == 0) {
            handle = nextHandle;
            if (!stateScript.empty()) {
                statuses[handle].state = stateScript.front();
            }
            scriptReads_ = 0;
        }
        return dialResult;
    }
    int GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) override {
        auto found = statuses.find(handle);
        if (found == statuses.end()) {
            return 6;
        }
        if (!stateScript.empty() && handle == nextHandle) {
            found->second.state = stateScript[std::min(scriptReads_++, stateScript.size() - 1)];
        }
        status = found->second;
        return 0;
    }
    std::optional<std::vector<ActiveConnection>> EnumConnections() override { return connections; }
    int HangUp(ConnectionHandle handle) override {
        hangUps.push_back(handle);
        return hangUpResult;
    }
    int GetStatistics(ConnectionHandle handle, LinkStatistics& out) override {
        auto found = statistics.find(handle);
        if (found == statistics.end()) {
            return 668;
        }
        out = found->second;
        return 0;
    }

private:
    std::size_t scriptReads_ = 0;
};

// A platform of files in a fresh temporary folder, a device list the test sets, and a
// fake dial service (or another one the test hands in). Installed while it lives.
class TestPlatform final : public DialupPlatform {
public:
    explicit TestPlatform(DialService* dialer = nullptr) : dialer_(dialer) {
        static int serial = 0;
        dir = ::testing::TempDir() + "dialup-" + std::to_string(::getpid()) + "-" +
              std::to_string(++serial);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        DialupPlatform::Install(this);
    }
    ~TestPlatform() override {
        DialupPlatform::Install(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::optional<std::vector<DialupDevice>> Devices() override { return devices; }
    std::string DefaultPhonebookPath() override { return dir + "/phonebook.ini"; }
    std::string DeviceDefaultsPath() override { return dir + "/state/devices.ini"; }
    DialService& Dialer() override { return dialer_ != nullptr ? *dialer_ : fake; }
    void UseDialer(DialService* dialer) { dialer_ = dialer; }

    std::string dir;
    std::optional<std::vector<DialupDevice>> devices =
        std::vector<DialupDevice>{{"modem", "VeltroGSM无线调制解调器", "ttyUSB0"}};
    FakeDialService fake;

private:
    DialService* dialer_;
};

}  // namespace veltro::test
