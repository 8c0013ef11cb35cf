#include "modem/HexPair.h"

namespace veltro {

namespace {

enum class Case { UpperOnly, Either };

int Nibble(char c, Case accepted) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (accepted == Case::Either && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Octets from two digits each of the accepted case; nothing for an odd length or any
// other character.
template <typename Octets>
std::optional<Octets> DecodeAs(std::string_view text, Case accepted) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    Octets octets;
    octets.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = Nibble(text[i], accepted);
        const int low = Nibble(text[i + 1], accepted);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        octets.push_back(static_cast<typename Octets::value_type>(high << 4 | low));
    }
    return octets;
}

}  // namespace

bool HexPair::HexPairToByte(char high, char low, std::uint8_t* byte) {
    *byte = 0;
    const int h = Nibble(high, Case::UpperOnly);
    if (h < 0) {
        return false;
    }
    *byte = static_cast<std::uint8_t>(h << 4);
    const int l = Nibble(low, Case::UpperOnly);
    if (l < 0) {
        return false;
    }
    *byte = static_cast<std::uint8_t>(*byte | l);
    return true;
}

std::optional<std::vector<std::uint8_t>> HexPair::Decode(std::string_view text) {
    return DecodeAs<std::vector<std::uint8_t>>(text, Case::Either);
}

std::optional<std::string> HexPair::DecodeUpper(std::string_view text) {
    return DecodeAs<std::string>(text, Case::UpperOnly);
}

}  // namespace veltro
