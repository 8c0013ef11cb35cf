#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro::vcard {

// Octets as hexadecimal text, the way PDUs and 8-bit/UCS2 bodies cross an AT line.
class HexText {
public:
    // Upper-case digits, two per octet.
    static std::string Encode(const std::vector<std::uint8_t>& octets);
    // Either case; nothing for an odd length or a non-hex character.
    static std::optional<std::vector<std::uint8_t>> Decode(std::string_view text);
};

}  // namespace veltro::vcard
