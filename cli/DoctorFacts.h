#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "modem/ModemDeviceClass.h"

namespace veltro::cli {

// What "doctor" knows of one file.
struct FileFacts {
    bool exists = false;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;  // type and permission bits, as stat gives them
    std::string ownerName;
    std::string groupName;
    bool readWrite = false;   // this user may open it for reading and writing
    bool executable = false;  // this user may run it
};

// A port whose instance carries the card's name.
struct PortFacts {
    std::string instance;  // "0000"
    std::string name;      // "ttyUSB0"
    FileFacts file;        // /dev/<name>
    // udev marks the port ID_MM_DEVICE_IGNORE (a pseudo-terminal counts as marked:
    // ModemManager never looks at one).
    bool modemManagerIgnores = false;
};

// Everything the doctor's checks look at, gathered from the system (SystemFacts) or
// made up by tests.
struct DoctorFacts {
    std::string user;
    bool root = false;
    std::vector<std::string> processGroups;  // the groups this process has now
    std::vector<std::string> accountGroups;  // the groups the account is in
    FileFacts pppd;                          // /usr/sbin/pppd
    FileFacts peers;                         // /etc/ppp/peers/veltrogprs
    FileFacts devPpp;                        // /dev/ppp
    bool pppModuleLoaded = false;            // ppp_generic is in the kernel
    FileFacts card;                          // /dev/veltrogprs0, through its link
    std::string cardTarget;                  // the tty it names ("ttyUSB0"), when it exists
    bool modemManagerRunning = false;
    DeviceSource source = DeviceSource::Sysfs;
    std::string tablePath;  // when source is Table
    int instanceCount = 0;
    std::vector<PortFacts> ports;
    std::string lockPath;  // the window's single-instance lock
    bool windowRunning = false;
};

}  // namespace veltro::cli
