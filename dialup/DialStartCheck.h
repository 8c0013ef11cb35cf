#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialup/DialupDevice.h"
#include "dialup/PppdCommandLine.h"

namespace veltro {

// Why a dial could not start, and what mends it.
struct DialStartProblem {
    std::string cause;
    std::string fix;
};

// The conditions a dial needs before its dialer can start, checked one by one so that a
// refused dial can name its cause: the runtime folder, and for pppd its program, its
// peers file, kernel PPP support and the card's fixed name; for the stand-in its
// program.
class DialStartCheck {
public:
    struct Paths {
        std::string runtimeDir;  // DialupPaths::RuntimeDirPath()
        std::string pppd = "/usr/sbin/pppd";
        std::string peersFile = "/etc/ppp/peers/veltrogprs";
        std::string devPpp = "/dev/ppp";
        std::string cardDevice = PppdCommandLine::kCardDevice;
    };

    // The problems that keep a dial of device through program from starting, in the
    // order the dial meets them.
    static std::vector<DialStartProblem> Find(const DialupDevice& device,
                                              const std::string& program, const Paths& paths);

    // The runtime folder must be a folder of the user's own that nobody else may enter.
    static std::optional<DialStartProblem> RuntimeDir(const std::string& dir);
    // pppd dials only the card's fixed name: it must exist and be the device's port.
    static std::optional<DialStartProblem> CardName(const std::string& port,
                                                    const std::string& cardDevice);
};

}  // namespace veltro
