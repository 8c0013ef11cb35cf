#include "vcard/SmsAddress.h"

#include "modem/GsmAlphabet.h"
#include "vcard/UnicodeText.h"

namespace veltro::vcard {
namespace {

constexpr char kSemiOctets[] = "0123456789*#abc";

bool IsDialString(const std::string& digits) {
    if (digits.empty()) {
        return false;
    }
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#')) {
            return false;
        }
    }
    return true;
}

int SemiOctet(char c) {
    if (c == '*') {
        return 10;
    }
    if (c == '#') {
        return 11;
    }
    return c - '0';
}

std::vector<std::uint8_t> SwappedDigits(const std::string& digits) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int low = SemiOctet(digits[i]);
        const int high = i + 1 < digits.size() ? SemiOctet(digits[i + 1]) : 0x0F;
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> SmsAddress::EncodeTp(const std::string& number) {
    const bool international = !number.empty() && number[0] == '+';
    const std::string digits = international ? number.substr(1) : number;
    if (IsDialString(digits)) {
        std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(digits.size()),
                                         static_cast<std::uint8_t>(international ? 0x91 : 0x81)};
        const auto value = SwappedDigits(digits);
        out.insert(out.end(), value.begin(), value.end());
        return out;
    }
    // Alphanumeric sender: at most 11 characters, GSM 7-bit, packed.
    auto septets = GsmAlphabet::ToSeptets(UnicodeText::FromUtf8(number)).value_or("?");
    if (septets.size() > 11) {
        septets.resize(11);
    }
    const auto packed = GsmAlphabet::Pack(septets, 0);
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>((septets.size() * 7 + 3) / 4), 0xD0};
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

std::vector<std::uint8_t> SmsAddress::EncodeServiceCentre(const std::string& number) {
    const bool international = !number.empty() && number[0] == '+';
    const std::string digits = international ? number.substr(1) : number;
    if (!IsDialString(digits)) {
        return {0};
    }
    const auto value = SwappedDigits(digits);
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(value.size() + 1),
                                     static_cast<std::uint8_t>(international ? 0x91 : 0x81)};
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

std::optional<std::string> SmsAddress::DecodeTp(const std::vector<std::uint8_t>& pdu,
                                                std::size_t& pos) {
    if (pos + 2 > pdu.size()) {
        return std::nullopt;
    }
    const std::size_t semiOctets = pdu[pos];
    const std::uint8_t type = pdu[pos + 1];
    const std::size_t octets = (semiOctets + 1) / 2;
    if (pos + 2 + octets > pdu.size()) {
        return std::nullopt;
    }
    const std::uint8_t* value = pdu.data() + pos + 2;
    pos += 2 + octets;
    if ((type & 0x70) == 0x50) {
        const auto septets = GsmAlphabet::Unpack(value, octets, semiOctets * 4 / 7, 0);
        return septets ? UnicodeText::ToUtf8(GsmAlphabet::FromSeptets(*septets)) : std::string();
    }
    std::string number = (type & 0x70) == 0x10 ? "+" : "";
    for (std::size_t i = 0; i < semiOctets; ++i) {
        const int nibble = (value[i / 2] >> (i % 2 == 0 ? 0 : 4)) & 0x0F;
        if (nibble == 0x0F) {
            break;
        }
        number += kSemiOctets[nibble];
    }
    return number;
}

}  // namespace veltro::vcard
