#include "modem/GsmAlphabet.h"

namespace veltro {
namespace {

// Position 0x1B is the escape to the extension table; it is no character.
constexpr char32_t kDefault[128] = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC,  //
    0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8, 0x000D, 0x00C5, 0x00E5,  //
    0x0394, 0x005F, 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8,  //
    0x03A3, 0x0398, 0x039E, 0xFFFF, 0x00C6, 0x00E6, 0x00DF, 0x00C9,  //
    0x0020, 0x0021, 0x0022, 0x0023, 0x00A4, 0x0025, 0x0026, 0x0027,  //
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  //
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  //
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  //
    0x00A1, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  //
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  //
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  //
    0x0058, 0x0059, 0x005A, 0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7,  //
    0x00BF, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  //
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  //
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  //
    0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0,  //
};

struct Extension {
    std::uint8_t code;
    char32_t character;
};
constexpr Extension kExtension[] = {{0x0A, 0x000C}, {0x14, '^'},   {0x28, '{'}, {0x29, '}'},
                                    {0x2F, '\\'},   {0x3C, '['},   {0x3D, '~'}, {0x3E, ']'},
                                    {0x40, '|'},    {0x65, 0x20AC}};

}  // namespace

std::optional<std::string> GsmAlphabet::ToSeptets(std::u32string_view text) {
    std::string septets;
    for (char32_t c : text) {
        bool found = false;
        for (int code = 0; code < 128 && !found; ++code) {
            if (kDefault[code] == c) {
                septets += static_cast<char>(code);
                found = true;
            }
        }
        for (const Extension& e : kExtension) {
            if (!found && e.character == c) {
                septets += static_cast<char>(kEscape);
                septets += static_cast<char>(e.code);
                found = true;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return septets;
}

std::u32string GsmAlphabet::FromSeptets(std::string_view septets) {
    std::u32string text;
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const auto code = static_cast<std::uint8_t>(septets[i] & 0x7F);
        if (code != kEscape) {
            text += kDefault[code];
            continue;
        }
        if (i + 1 >= septets.size()) {
            break;
        }
        const auto next = static_cast<std::uint8_t>(septets[++i] & 0x7F);
        char32_t c = 0;
        for (const Extension& e : kExtension) {
            if (e.code == next) {
                c = e.character;
            }
        }
        // An unknown escape shows the default character (TS 23.038, note to the table).
        text += c != 0 ? c : kDefault[next];
    }
    return text;
}

std::vector<std::uint8_t> GsmAlphabet::Pack(std::string_view septets, int fillBits) {
    const std::size_t bits = static_cast<std::size_t>(fillBits) + septets.size() * 7;
    std::vector<std::uint8_t> octets((bits + 7) / 8, 0);
    std::size_t bit = static_cast<std::size_t>(fillBits);
    for (char s : septets) {
        const unsigned value = static_cast<unsigned>(s) & 0x7F;
        for (int k = 0; k < 7; ++k, ++bit) {
            if (value & (1u << k)) {
                octets[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
            }
        }
    }
    return octets;
}

std::optional<std::string> GsmAlphabet::Unpack(const std::uint8_t* octets, std::size_t size,
                                               std::size_t count, int fillBits) {
    const std::size_t bits = static_cast<std::size_t>(fillBits) + count * 7;
    if ((bits + 7) / 8 > size) {
        return std::nullopt;
    }
    std::string septets;
    std::size_t bit = static_cast<std::size_t>(fillBits);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        for (int k = 0; k < 7; ++k, ++bit) {
            if (octets[bit / 8] & (1u << (bit % 8))) {
                value |= 1u << k;
            }
        }
        septets += static_cast<char>(value);
    }
    return septets;
}

}  // namespace veltro
