#include "modem/SmsPduBuilder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>

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
                                                             std::size_t* digitCount,
                                                             bool national) {
    std::string digits;
    if (!national && !number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    } else if (!national) {
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
    address += national ? "81" : "91";
    for (std::size_t i = 1; i - 1 < digits.size(); i += 2) {
        address += i < digits.size() ? digits[i] : 'F';
        address += digits[i - 1];
    }
    if (digitCount != nullptr) {
        *digitCount = digits.size();
    }
    return address;
}

std::vector<std::u16string_view> SmsPduBuilder::Split(std::u16string_view text) {
    if (text.size() <= kMaxUnits) {
        return {text};
    }
    std::vector<std::u16string_view> parts;
    while (!text.empty()) {
        std::size_t size = std::min(kPartUnits, text.size());
        // A high surrogate at the end of a part would leave its pair to the next.
        if (size < text.size() && text[size - 1] >= 0xD800 && text[size - 1] <= 0xDBFF) {
            --size;
        }
        parts.push_back(text.substr(0, size));
        text.remove_prefix(size);
    }
    return parts;
}

std::size_t SmsPduBuilder::PartCount(std::u16string_view text) {
    return Split(text).size();
}

namespace {

// One SMS-SUBMIT: header holds the user-data header (empty for none).
SubmitPdu BuildOne(const std::string& address, std::size_t digitCount, std::u16string_view text,
                   const std::string& header, int reference) {
    SubmitPdu pdu;
    // SMS-SUBMIT with a relative validity period; TP-UDHI when a header comes first.
    pdu.hex = header.empty() ? "0011" : "0051";
    pdu.hex += '0';
    pdu.hex += static_cast<char>('0' + reference);
    pdu.hex += address;
    pdu.hex += "000801";
    const std::size_t userDataLength = header.size() / 2 + 2 * text.size();
    AppendHexByte(pdu.hex, static_cast<unsigned>(userDataLength));
    pdu.hex += header;
    for (const char16_t unit : text) {
        AppendHexByte(pdu.hex, unit >> 8);
        AppendHexByte(pdu.hex, unit);
    }
    // First octet, reference, address length and type, PID, DCS, VP, UDL: 8 octets.
    pdu.tpduLength = static_cast<int>(8 + (digitCount + 1) / 2 + userDataLength);
    return pdu;
}

}  // namespace

std::optional<SubmitPdu> SmsPduBuilder::Build(std::string_view number, std::u16string_view text,
                                              MessageReference& reference) {
    std::size_t digitCount = 0;
    const std::optional<std::string> address = DestinationAddress(number, &digitCount);
    if (!address || text.size() > kMaxUnits) {
        return std::nullopt;
    }
    return BuildOne(*address, digitCount, text, {}, reference.Next());
}

std::optional<std::vector<SubmitPdu>> SmsPduBuilder::BuildAll(std::string_view number,
                                                              std::u16string_view text,
                                                              MessageReference& reference,
                                                              int concatReference, bool national) {
    std::size_t digitCount = 0;
    const std::optional<std::string> address = DestinationAddress(number, &digitCount, national);
    const std::vector<std::u16string_view> parts = Split(text);
    if (!address || parts.size() > kMaxParts) {
        return std::nullopt;
    }
    std::vector<SubmitPdu> pdus;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string header;
        if (parts.size() > 1) {
            // Header length 5; element 00 of length 3: reference, part count, part.
            header = "050003";
            AppendHexByte(header, static_cast<unsigned>(concatReference));
            AppendHexByte(header, static_cast<unsigned>(parts.size()));
            AppendHexByte(header, static_cast<unsigned>(i + 1));
        }
        pdus.push_back(BuildOne(*address, digitCount, parts[i], header, reference.Next()));
    }
    return pdus;
}

int SmsPduBuilder::NextConcatReference() {
    static std::atomic<int> next{static_cast<int>(std::time(nullptr) & 0xFF)};
    return next.fetch_add(1) & 0xFF;
}

}  // namespace veltro
