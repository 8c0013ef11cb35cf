#include "dialup/DialupPlatform.h"

#include <atomic>

#include "dialup/DialupPaths.h"
#include "dialup/PppdDialService.h"
#include "modem/ModemDeviceClass.h"
#include "modem/SystemClock.h"

namespace veltro {

namespace {

std::atomic<DialupPlatform*> installed{nullptr};

}  // namespace

std::optional<std::vector<DialupDevice>> DialupPlatform::Devices() {
    const ModemDeviceClass modems = ModemDeviceClass::Load();
    std::vector<DialupDevice> devices;
    for (int i = 0; i < ModemDeviceClass::kInstanceCount; ++i) {
        if (auto modem = modems.Instance(i)) {
            devices.push_back({"modem", modem->friendlyName, modem->attachedTo});
        }
    }
    return devices;
}

std::string DialupPlatform::DefaultPhonebookPath() {
    return DialupPaths::DefaultPhonebook();
}

std::string DialupPlatform::DeviceDefaultsPath() {
    return DialupPaths::DeviceDefaults();
}

DialService& DialupPlatform::Dialer() {
    static PppdDialService service(PppdDialService::Options{}, SystemClock::Instance());
    return service;
}

DialupPlatform& DialupPlatform::Current() {
    static DialupPlatform system;
    DialupPlatform* platform = installed.load();
    return platform != nullptr ? *platform : system;
}

void DialupPlatform::Install(DialupPlatform* platform) {
    installed.store(platform);
}

}  // namespace veltro
