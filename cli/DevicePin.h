#pragma once

#include <optional>
#include <string>

namespace veltro::cli {

// The udev rule that gives a card the rules do not list the names of a listed one: the
// fixed name /dev/veltrogprs0 (the only device pppd's peers file lets a user dial), the
// card's friendly name and ID_MM_DEVICE_IGNORE. A USB port is matched by its card's
// vendor and product and its interface number, so that the name follows the card
// across plugs; another tty by its kernel name.
class DevicePin {
public:
    static constexpr const char* kRulesPath = "/etc/udev/rules.d/71-veltrogprs-pin.rules";

    // The rules file text for port ("ttyUSB0"), read from sysfs under ttyClassDir; nothing,
    // with why, when port is no tty there.
    static std::optional<std::string> Rules(const std::string& ttyClassDir, const std::string& port,
                                            std::string& why);
};

}  // namespace veltro::cli
