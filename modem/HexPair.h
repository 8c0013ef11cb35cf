#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// Hexadecimal digit pairs of the PDUs the modem sends.
class HexPair {
public:
    // One byte from two characters '0'-'9' or 'A'-'F' (upper case only), the first
    // giving the high half. False when either is another character; the byte is then
    // 0 if the first was bad, or holds the high half if only the second was.
    static bool HexPairToByte(char high, char low, std::uint8_t* byte);
    // Octets from hexadecimal text, digits of either case, two per octet; nothing for an
    // odd length or a non-hex character. Empty text gives no octets.
    static std::optional<std::vector<std::uint8_t>> Decode(std::string_view text);
    // The same as bytes, for PDUs and files that must hold digits '0'-'9' and 'A'-'F' only.
    static std::optional<std::string> DecodeUpper(std::string_view text);
};

}  // namespace veltro
