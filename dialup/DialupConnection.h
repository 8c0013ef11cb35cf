#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialup/ConnectionStatus.h"
#include "dialup/DialService.h"
#include "dialup/DialupEntry.h"

namespace veltro {

// The handle of the last dial, shared by every DialupConnection of the process and by
// the connection statistics. Constructing a DialupConnection resets it to none (0).
extern ConnectionHandle CurrentConnection;

// The program's dial-up connection: finds the modem device, keeps the program's entry
// in the phonebook, dials it, follows the dial's state and hangs it up. The system
// services behind it are those of DialupPlatform::Current().
//
// Results keep the dial-up service's numbers: 0 success, 183 an entry that already
// exists, 755 a missing entry, -1 a failure of this class's own.
class DialupConnection {
public:
    static constexpr char kEntryName[] = "VLGPRS";
    static constexpr char kModemDeviceName[] = "VeltroGSM无线调制解调器";
    static constexpr char kDialString[] = "*99***1#";
    static constexpr char kDeviceTypeModem[] = "modem";
    // Options of a new entry (0x118): header compression, default gateway, modem lights.
    static constexpr std::uint32_t kNewEntryOptions = DialupEntry::kOptionIpHeaderCompression |
                                                      DialupEntry::kOptionRemoteDefaultGateway |
                                                      DialupEntry::kOptionModemLights;
    // The operator's GPRS name servers written into a new entry (China Mobile, CMNET).
    static constexpr DialupEntry::Address kPrimaryDns{211, 136, 17, 107};
    static constexpr DialupEntry::Address kSecondaryDns{211, 136, 20, 203};

    static constexpr std::size_t kFieldSize = 100;

    // Limits of the dial parameters, in bytes.
    static constexpr std::size_t kMaxDialEntryName = 256;
    static constexpr std::size_t kMaxDialPhoneNumber = 128;
    static constexpr std::size_t kMaxDialUserName = 256;
    static constexpr std::size_t kMaxDialPassword = 256;
    static constexpr std::size_t kMaxDialDomain = 15;

    DialupConnection();

    // Number of devices of type "modem" (case ignored); -1 when the list is empty or
    // cannot be read.
    int CountModems();
    // The names of the modem devices in list order, at most slots of them.
    bool ListModems(std::vector<std::string>& names, int slots);
    // True when a modem device whose name contains name (case-sensitive) exists; then
    // DeviceName := name.
    bool FindDevice(const std::string& name);
    // -1 failure, 183 the entry existed and was moved to the device, 1 created.
    int CreateEntry(const std::string& entryName, const std::string& deviceName);
    int WriteEntry(const std::string& entryName, const std::string& deviceType,
                   const std::string& deviceName, std::uint32_t netProtocols,
                   std::uint32_t framingProtocol, const std::string& phoneNumber,
                   const std::string& phonebook);
    int GetEntryProperties(const std::string& entryName, DialupEntry& entry,
                           const std::string& phonebook);
    int SetEntryOptions(const std::string& entryName, std::uint32_t mask, int set,
                        const std::string& phonebook);
    int SetEntryProtocols(const std::string& entryName, std::uint32_t netProtocols,
                          const std::string& phonebook);
    // Slot 1 address, 2 and 3 name servers, 4 and 5 WINS servers; other slots change
    // nothing but the entry is still written back.
    int SetEntryAddress(const std::string& entryName, int slot, std::uint8_t a, std::uint8_t b,
                        std::uint8_t c, std::uint8_t d, const std::string& phonebook);

    int Dial(const DialNotifier& notifier, const std::string& phoneNumber,
             const std::string& userName, const std::string& password);
    // The domain is accepted for its length check only: pppd has no counterpart.
    int DialEntry(const std::string& entryName, const DialNotifier& notifier,
                  const std::string& phoneNumber, const std::string& userName,
                  const std::string& password, const std::string& domain,
                  const std::string& phonebook);
    // 1 when the dial reached a final state (connected or disconnected), else 0; text is
    // the state's text, connected 1 only for the connected state.
    int GetDialStatus(std::string& text, int& connected);
    // 1 when a hang-up was issued and accepted.
    int HangUpEntry(const std::string& entryName);
    int HangUp();
    // True when the entry (case ignored) is among the active connections; the last match
    // gives the handle.
    bool IsConnected(const std::string& entryName, ConnectionHandle& handle);

    ConnectionStatus Status;
    char DeviceName[kFieldSize] = {};
    char EntryName[kFieldSize] = {};
    char PhoneNumber[kFieldSize] = {};
};

// Deletes an entry from the phonebook at path (the default phonebook when empty): 0, or
// the phonebook's error.
int DeleteEntry(const std::string& entryName, const std::string& phonebook);

// Sets the default line speed of a device (a dial-up device or a port name); false when
// the device is unknown or the setting cannot be stored.
bool SetDefaultBaudRate(const std::string& deviceName, std::uint32_t baudRate);

}  // namespace veltro
