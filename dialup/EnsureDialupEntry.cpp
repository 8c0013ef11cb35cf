#include "dialup/EnsureDialupEntry.h"

#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"

namespace veltro {

void EnsureDialupEntry() {
    DialupConnection connection;
    if (!connection.FindDevice(DialupConnection::kModemDeviceName)) {
        DeleteEntry(DialupConnection::kEntryName, "");
        return;
    }
    if (connection.CreateEntry(DialupConnection::kEntryName, DialupConnection::kModemDeviceName) !=
        DialupError::kAlreadyExists) {
        return;
    }
    DialupEntry entry;
    connection.GetEntryProperties(DialupConnection::kEntryName, entry, "");
    if (entry.deviceName.find(DialupConnection::kModemDeviceName) == std::string::npos) {
        DeleteEntry(DialupConnection::kEntryName, "");
        connection.CreateEntry(DialupConnection::kEntryName, DialupConnection::kModemDeviceName);
    }
}

}  // namespace veltro
