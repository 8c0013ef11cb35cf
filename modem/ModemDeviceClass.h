#pragma once

#include <map>
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

// Where the instances of a device class came from.
enum class DeviceSource { Table, Udev, Sysfs };

// The installed modem devices: up to ten instances "0000".."0009".
//
// They come from the first source that exists: the device table file named by
// VELTROGPRS_MODEMS, then $XDG_CONFIG_HOME/veltrogprs/modems.ini, then
// /etc/veltrogprs/modems.ini; then the ttys that the installed udev rules give a
// friendly name; otherwise the USB-backed ttys in sysfs. A table is an INI file with
// sections [0000]..[0009] and the keys FriendlyName and AttachedTo. An instance that is
// missing or lacks either key does not exist; a table that cannot be read has no
// instances. udev and sysfs instances are numbered in tty name order (ttyUSB2 before
// ttyUSB10), so the same ports get the same instances on every run.
class ModemDeviceClass {
public:
    static constexpr int kInstanceCount = 10;
    // The udev property the rules set on a supported card's AT port.
    static constexpr const char* kFriendlyNameProperty = "VELTROGPRS_FRIENDLY_NAME";
    // The udev property that tells ModemManager to leave a port alone.
    static constexpr const char* kModemManagerIgnoreProperty = "ID_MM_DEVICE_IGNORE";

    // Where the system's device facts are read; tests point these at recorded data.
    struct SystemRoots {
        std::string ttyClassDir = "/sys/class/tty";
        std::string udevDataDir = "/run/udev/data";
    };

    static ModemDeviceClass Load();
    static ModemDeviceClass Load(const SystemRoots& roots);
    static ModemDeviceClass FromTableText(std::string_view iniText);
    static ModemDeviceClass FromUdev(const SystemRoots& roots);
    static ModemDeviceClass FromSysfs(const std::string& ttyClassDir = "/sys/class/tty");

    // The properties udev recorded for a tty ("ttyUSB0"); empty when it has none.
    static std::map<std::string, std::string> UdevProperties(const SystemRoots& roots,
                                                             const std::string& tty);
    // The tty names under ttyClassDir in the order instances are numbered.
    static std::vector<std::string> TtyNames(const std::string& ttyClassDir);
    // True when a sorts before b: by the letters, then by the number at the end.
    static bool TtyNameBefore(const std::string& a, const std::string& b);

    // "0000".."0009".
    static std::string InstanceName(int index);
    // The path Load reads a table from, or empty when it falls back to udev or sysfs.
    static std::string TablePath();
    // The table the user edits: VELTROGPRS_MODEMS when set, else
    // $XDG_CONFIG_HOME/veltrogprs/modems.ini, whether or not it exists yet.
    static std::string UserTablePath();

    // The instance at index 0..9, if it exists.
    std::optional<ModemDevice> Instance(int index) const;
    DeviceSource Source() const { return source_; }
    // "table", "udev" or "sysfs".
    static const char* SourceName(DeviceSource source);

    // The table text for these devices, numbered from "0000".
    static std::string TableText(const std::vector<ModemDevice>& devices);

private:
    DeviceSource source_ = DeviceSource::Table;
    std::optional<ModemDevice> instances_[kInstanceCount];
};

}  // namespace veltro
