#pragma once

#include <string>
#include <string_view>

namespace veltro {

// Why a port could not be opened, in words a user can act on. Discovery and the engine
// keep the system's error of the last failed open; the command-line tool and the
// window's diagnostics show it instead of a bare "no modem answered".
class PortOpenError {
public:
    PortOpenError() = default;
    PortOpenError(int error, std::string_view portName) : error_(error), portName_(portName) {}

    int Error() const { return error_; }
    const std::string& PortName() const { return portName_; }
    explicit operator bool() const { return error_ != 0; }

    // Whether the user can do something about it (permission, another program), as
    // opposed to a port that is not there.
    bool IsActionable() const;

    // "permission denied on /dev/ttyUSB2: add yourself to the group dialout",
    // "ttyUSB2 is in use by another program", "/dev/ttyUSB2 does not exist", ...
    // group is the group that owns the device, empty when unknown.
    std::string Describe(std::string_view group) const;
    // Describe with the group read from the device itself.
    std::string Describe() const;

    // The name of the group that owns path, or empty.
    static std::string GroupOf(const std::string& path);

private:
    int error_ = 0;
    std::string portName_;
};

}  // namespace veltro
