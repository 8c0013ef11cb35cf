#include "vcard/HexText.h"

namespace veltro::vcard {

std::string HexText::Encode(const std::vector<std::uint8_t>& octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(octets.size() * 2);
    for (std::uint8_t octet : octets) {
        out += kDigits[octet >> 4];
        out += kDigits[octet & 0x0F];
    }
    return out;
}

}  // namespace veltro::vcard
