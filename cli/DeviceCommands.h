#pragma once

#include "cli/CommandOutput.h"
#include "modem/ModemDeviceClass.h"

namespace veltro::cli {

// Writes what "device list" shows: the source in use, one line per instance
// ("INSTANCE  SOURCE  PORT  FRIENDLY-NAME"), with a table also the ports udev or sysfs
// offer (instance "----"), and a hint when no instance carries the card's name. With
// --json: "source", "table", "devices" and "offered" (objects of "instance", "source",
// "port", "name"; offered ports have no instance) and "named".
void ListDevices(CommandOutput& output, const ModemDeviceClass::SystemRoots& roots);

}  // namespace veltro::cli
