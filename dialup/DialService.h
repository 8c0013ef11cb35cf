#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialup/ConnectionStatus.h"
#include "dialup/DialupDevice.h"
#include "dialup/DialupEntry.h"

namespace veltro {

// Told of each new state of a dial: handle, message number, state, error, extended error.
using DialNotifier =
    std::function<void(ConnectionHandle, std::uint32_t, int, std::uint32_t, std::uint32_t)>;

// Everything a dial needs, resolved from the entry, its device and the caller.
struct DialRequest {
    std::string entryName;
    DialupEntry entry;
    DialupDevice device;
    std::uint32_t lineSpeed = 0;
    std::string phoneNumber;  // the number to dial
    std::string userName;
    std::string password;
    DialNotifier notifier;  // may be empty
};

// One active connection (being dialled or up).
struct ActiveConnection {
    ConnectionHandle handle = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
};

// Byte totals of one connection since it came up.
struct LinkStatistics {
    std::uint32_t bytesSent = 0;
    std::uint32_t bytesReceived = 0;
};

// The dial service: starts dials, reports their state, lists and ends connections.
// Results are 0 or a DialupError number.
class DialService {
public:
    // Message number of the state notifications.
    static constexpr std::uint32_t kDialEventMessage = 0xCCCD;

    virtual ~DialService() = default;

    // Starts the dial and returns at once; the handle is set when the dial started.
    virtual int Dial(const DialRequest& request, ConnectionHandle& handle) = 0;
    virtual int GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) = 0;
    // Nothing when the connections cannot be listed.
    virtual std::optional<std::vector<ActiveConnection>> EnumConnections() = 0;
    // Ends the connection; when it returns 0 the line is free again.
    virtual int HangUp(ConnectionHandle handle) = 0;
    virtual int GetStatistics(ConnectionHandle handle, LinkStatistics& statistics) = 0;
};

}  // namespace veltro
