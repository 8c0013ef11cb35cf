#include "modem/SmsPduBuilder.h"

#include <cstdio>

namespace veltro {

namespace {

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

void AppendHexByte(std::string& out, unsigned value) {
    char text[3];
    std::snprintf(text, sizeof(text), "%02x", value & 0xFFu);
    out += text;
}

}  // namespace

std::optional<std::string> SmsPduBuilder::DestinationAddress(std::string_view number,
                                                             std::size_t* digitCount) {
    std::string digits;
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    } else {
        digits = kCountryCode;
    }
    if (!AllDigits(number)) {
        return std::nullopt;
    }
    digits += number;
    if (digits.size() > kMaxAddressDigits) {
        return std::nullopt;
    }
    std::string address;
    char length[3];
    std::snprintf(length, sizeof(length), "%02X", static_cast<unsigned>(digits.size()));
    address += length;
    address += "91";
    for (std::size_t i = 1; i - 1 < digits.size(); i += 2) {
        address += i < digits.size() ? digits[i] : 'F';
        address += digits[i - 1];
    }
    *digitCount = digits.size();
    return address;
}

std::optional<SubmitPdu> SmsPduBuilder::Build(std::string_view number, std::u16string_view text,
                                              MessageReference& reference) {
    std::size_t digitCount = 0;
    const std::optional<std::string> address = DestinationAddress(number, &digitCount);
    if (!address || text.size() > kMaxUnits) {
        return std::nullopt;
    }
    SubmitPdu pdu;
    pdu.hex = "0011";
    pdu.hex += '0';
    pdu.hex += static_cast<char>('0' + reference.Next());
    pdu.hex += *address;
    pdu.hex += "000801";
    const std::size_t userDataLength = 2 * text.size();
    AppendHexByte(pdu.hex, static_cast<unsigned>(userDataLength));
    for (const char16_t unit : text) {
        AppendHexByte(pdu.hex, unit >> 8);
        AppendHexByte(pdu.hex, unit);
    }
    // First octet, reference, address length and type, PID, DCS, VP, UDL: 8 octets.
    pdu.tpduLength = static_cast<int>(8 + (digitCount + 1) / 2 + userDataLength);
    return pdu;
}

}  // namespace veltro
