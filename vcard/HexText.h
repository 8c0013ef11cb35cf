#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::vcard {

// Octets as hexadecimal text, the way PDUs and 8-bit/UCS2 bodies cross an AT line.
class HexText {
public:
    // Upper-case digits, two per octet.
    static std::string Encode(const std::vector<std::uint8_t>& octets);
};

}  // namespace veltro::vcard
