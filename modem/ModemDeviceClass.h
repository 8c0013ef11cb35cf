#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// One installed modem device: its display name and the short name of its tty.
struct ModemDevice {
    std::string friendlyName;  // UTF-8, e.g. "VeltroGSM无线调制解调器"
    std::string attachedTo;    // e.g. "ttyUSB0", "pts/7"
};

// The installed modem devices: up to ten instances "0000".."0009".
//
// They come from the first source that exists: the device table file named by
// VELTROGPRS_MODEMS, then $XDG_CONFIG_HOME/veltrogprs/modems.ini, then
// /etc/veltrogprs/modems.ini, and otherwise the USB-backed ttys in sysfs. A table is an
// INI file with sections [0000]..[0009] and the keys FriendlyName and AttachedTo. An
// instance that is missing or lacks either key does not exist; a table that cannot be
// read has no instances.
class ModemDeviceClass {
public:
    static constexpr int kInstanceCount = 10;

    static ModemDeviceClass Load();
    static ModemDeviceClass FromTableText(std::string_view iniText);
    static ModemDeviceClass FromSysfs(const std::string& ttyClassDir = "/sys/class/tty");

    // "0000".."0009".
    static std::string InstanceName(int index);
    // The path Load reads a table from, or empty when it falls back to sysfs.
    static std::string TablePath();

    // The instance at index 0..9, if it exists.
    std::optional<ModemDevice> Instance(int index) const;

    // The table text for these devices, numbered from "0000".
    static std::string TableText(const std::vector<ModemDevice>& devices);

private:
    std::optional<ModemDevice> instances_[kInstanceCount];
};

}  // namespace veltro
