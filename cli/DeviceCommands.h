#pragma once

#include <iosfwd>

#include "modem/ModemDeviceClass.h"

namespace veltro::cli {

// Writes what "device list" shows: the source in use, one line per instance
// ("INSTANCE  SOURCE  PORT  FRIENDLY-NAME"), with a table also the ports udev or sysfs
// offer (instance "----"), and a hint when no instance carries the card's name.
void ListDevices(std::ostream& out, const ModemDeviceClass::SystemRoots& roots);

}  // namespace veltro::cli
