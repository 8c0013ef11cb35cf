#pragma once

#include <cstdint>
#include <string>

namespace veltro {

// Handle of one connection; 0 is none.
using ConnectionHandle = std::int64_t;

// Where a connection is: the dial-up service's connection states and their numbers.
enum ConnectionState : int {
    kStateOpenPort = 0,
    kStatePortOpened = 1,
    kStateConnectDevice = 2,
    kStateDeviceConnected = 3,
    kStateAllDevicesConnected = 4,
    kStateAuthenticate = 5,
    kStateAuthNotify = 6,
    kStateAuthRetry = 7,
    kStateAuthCallback = 8,
    kStateAuthChangePassword = 9,
    kStateAuthProject = 10,
    kStateAuthLinkSpeed = 11,
    kStateAuthAck = 12,
    kStateReAuthenticate = 13,
    kStateAuthenticated = 14,
    kStatePrepareForCallback = 15,
    kStateWaitForModemReset = 16,
    kStateWaitForCallback = 17,
    kStateProjected = 18,
    kStateStartAuthentication = 19,
    kStateCallbackComplete = 20,
    kStateLogonNetwork = 21,
    kStateSubEntryConnected = 22,
    kStateSubEntryDisconnected = 23,
    kStateInteractive = 4096,
    kStateRetryAuthentication = 4097,
    kStateCallbackSetByCaller = 4098,
    kStatePasswordExpired = 4099,
    kStateConnected = 8192,
    kStateDisconnected = 8193,
};

// The status of one connection as the dial service reports it.
struct ConnectionStatus {
    int state = kStateOpenPort;
    std::uint32_t error = 0;  // why a connection ended (DialupError numbers); 0 otherwise
    // Why it ended in the dial service's own words (pppd's last meaningful lines); may
    // be empty.
    std::string reason;
    std::string deviceType;
    std::string deviceName;
};

}  // namespace veltro
