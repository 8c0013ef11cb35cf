#include "app/EnsureDialupEntry.h"

#include <string>

#include "dialup/DialupConnection.h"
#include "dialup/DialupPlatform.h"
#include "dialup/Phonebook.h"

namespace veltro {

namespace {

void DeleteEntry() {
    Phonebook(DialupPlatform::Current().DefaultPhonebookPath())
        .Delete(DialupConnection::kEntryName);
}

}  // namespace

void EnsureDialupEntry() {
    constexpr const char* kEntry = DialupConnection::kEntryName;
    constexpr const char* kDevice = DialupConnection::kModemDeviceName;
    // An entry already there answers 183: it has been moved onto the device with its
    // other settings kept. Only when the move did not take is it made anew.
    DialupConnection connection;
    if (!connection.FindDevice(kDevice)) {
        DeleteEntry();
        return;
    }
    if (connection.CreateEntry(kEntry, kDevice) != 183) {
        return;
    }
    DialupEntry entry;
    connection.GetEntryProperties(kEntry, entry, "");
    if (entry.deviceName.find(kDevice) == std::string::npos) {
        DeleteEntry();
        connection.CreateEntry(kEntry, kDevice);
    }
}

}  // namespace veltro
