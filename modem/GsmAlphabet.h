#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// The GSM 7-bit default alphabet and its extension table (3GPP TS 23.038 6.2.1), and the
// packing of septets into octets (3GPP TS 23.040 9.2.3.24).
class GsmAlphabet {
public:
    static constexpr std::uint8_t kEscape = 0x1B;

    // One septet value (0..127) per char; an extension character takes two (ESC, code).
    // Nothing when a character has no GSM form.
    static std::optional<std::string> ToSeptets(std::u32string_view text);
    static std::u32string FromSeptets(std::string_view septets);

    // Packs septets after fillBits zero bits (the padding that aligns text behind a
    // user-data header).
    static std::vector<std::uint8_t> Pack(std::string_view septets, int fillBits);
    // Unpacks count septets that start fillBits into the octets; nothing if they are
    // too short.
    static std::optional<std::string> Unpack(const std::uint8_t* octets, std::size_t size,
                                             std::size_t count, int fillBits);
};

}  // namespace veltro
