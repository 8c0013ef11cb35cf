#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veltro {

// One dial-up (phonebook) entry: the fields the program reads and writes. The option,
// protocol and framing numbers are the dial-up service's published values, so that an
// entry means the same here as on any system that shares them.
struct DialupEntry {
    // IPv4 address, byte a first.
    using Address = std::array<std::uint8_t, 4>;

    static constexpr std::uint32_t kOptionSpecificIpAddr = 0x2;
    static constexpr std::uint32_t kOptionSpecificNameServers = 0x4;
    static constexpr std::uint32_t kOptionIpHeaderCompression = 0x8;
    static constexpr std::uint32_t kOptionRemoteDefaultGateway = 0x10;
    static constexpr std::uint32_t kOptionModemLights = 0x100;

    static constexpr std::uint32_t kNetProtocolIp = 4;
    static constexpr std::uint32_t kFramingPpp = 1;

    // Longest texts the store accepts, in bytes.
    static constexpr std::size_t kMaxPhoneNumber = 128;
    static constexpr std::size_t kMaxDeviceType = 16;
    static constexpr std::size_t kMaxDeviceName = 128;

    std::uint32_t options = 0;
    std::string localPhoneNumber;
    std::string deviceType;
    std::string deviceName;
    std::uint32_t netProtocols = 0;
    std::uint32_t framingProtocol = 0;
    Address ipaddr{};
    Address ipaddrDns{};
    Address ipaddrDnsAlt{};
    Address ipaddrWins{};
    Address ipaddrWinsAlt{};

    bool operator==(const DialupEntry&) const = default;
};

}  // namespace veltro
