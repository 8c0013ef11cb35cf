#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltro {

// The default configuration of each dial-up device: its line speed, stored per device
// name in the program's state file (an INI file, one section per device, key BaudRate).
// The dial uses it as the line speed of the modem's port.
class DeviceDefaults {
public:
    static constexpr std::uint32_t kFallbackBaudRate = 115200;

    explicit DeviceDefaults(std::string path);

    const std::string& Path() const { return path_; }

    // The stored line speed of the device, if any.
    std::optional<std::uint32_t> BaudRate(const std::string& deviceName) const;
    // Stores the line speed; false when the name cannot be stored or the write fails.
    bool SetBaudRate(const std::string& deviceName, std::uint32_t baudRate);

private:
    std::string path_;
};

}  // namespace veltro
