#include "vcard/HexText.h"

namespace veltro::vcard {
namespace {

int Nibble(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

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

std::optional<std::vector<std::uint8_t>> HexText::Decode(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = Nibble(text[i]);
        const int low = Nibble(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return out;
}

}  // namespace veltro::vcard
