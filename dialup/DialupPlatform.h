#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialup/DialService.h"
#include "dialup/DialupDevice.h"

namespace veltro {

// The system services behind the dial-up operations: the device list, the default
// phonebook, the devices' default configuration and the dial service. One platform
// serves the whole process; tests install their own.
class DialupPlatform {
public:
    virtual ~DialupPlatform() = default;

    // The dial-up devices in list order (every instance of the modem device class, of
    // type "modem"), or nothing when the list cannot be read.
    virtual std::optional<std::vector<DialupDevice>> Devices();
    virtual std::string DefaultPhonebookPath();
    virtual std::string DeviceDefaultsPath();
    virtual DialService& Dialer();

    // The platform in use: the installed one, else the system's.
    static DialupPlatform& Current();
    // Installs a platform for the whole process; nullptr restores the system's.
    static void Install(DialupPlatform* platform);
};

}  // namespace veltro
