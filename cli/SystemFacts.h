#pragma once

#include <string>

#include "cli/DoctorFacts.h"
#include "modem/ModemDeviceClass.h"

namespace veltro::cli {

// Gathers the doctor's facts from this machine: the account and its groups, the files
// of pppd, the device class (read through roots), the ports, ModemManager among the
// processes and the window's lock in /proc/locks.
class SystemFacts {
public:
    static DoctorFacts Gather(const ModemDeviceClass::SystemRoots& roots);
    static FileFacts File(const std::string& path);
    // The window's single-instance lock file.
    static std::string LockPath();
    // True when some process holds a lock on the file at path.
    static bool Locked(const std::string& path);
};

}  // namespace veltro::cli
