#pragma once

#include <string>

namespace veltro {

// One device of the dial-up device list.
struct DialupDevice {
    std::string deviceType;  // "modem" for every modem device
    std::string deviceName;  // the device's display name
    std::string port;        // short tty name the device is attached to ("ttyUSB0")
};

}  // namespace veltro
