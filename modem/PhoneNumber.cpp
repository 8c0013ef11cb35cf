#include "modem/PhoneNumber.h"

#include <cstdio>

#include "modem/ModemEngine.h"

namespace veltro {

namespace {

constexpr std::string_view kWrittenSeparators = " -.()";
constexpr std::string_view kDialCharacters = "0123456789+*#ABCD";

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// The character at position at (a whole UTF-8 sequence), or its code for a control.
std::string Shown(std::string_view text, std::size_t at) {
    if (IsControl(text[at])) {
        char code[8];
        std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned char>(text[at]));
        return code;
    }
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return std::string(text.substr(at, end - at));
}

}  // namespace

std::string PhoneNumber::Clean(std::string_view written) {
    std::string cleaned;
    for (const char c : written) {
        if (kWrittenSeparators.find(c) == std::string_view::npos) {
            cleaned += c;
        }
    }
    return cleaned;
}

std::optional<std::string> PhoneNumber::RefusedForDial(std::string_view cleaned) {
    const std::size_t at = cleaned.find_first_not_of(kDialCharacters);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    return Shown(cleaned, at);
}

std::optional<std::string> PhoneNumber::RefusedForSend(std::string_view cleaned) {
    if (cleaned.size() >= ModemEngine::kPduRouteMinNumberChars) {
        const std::size_t from = cleaned.starts_with('+') ? 1 : 0;
        const std::size_t at = cleaned.find_first_not_of("0123456789", from);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        return Shown(cleaned, at);
    }
    for (std::size_t at = 0; at < cleaned.size(); ++at) {
        if (cleaned[at] == '"' || IsControl(cleaned[at])) {
            return Shown(cleaned, at);
        }
    }
    return std::nullopt;
}

}  // namespace veltro
