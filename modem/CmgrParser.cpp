#include "modem/CmgrParser.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "modem/GbkText.h"
#include "modem/HexPair.h"
#include "modem/SmsDeliverPdu.h"

namespace veltro {

namespace {

constexpr std::string_view kCmgr = "+CMGR: ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxSeparatorDistance = 20;
constexpr std::size_t kMaxLengthFieldDistance = 22;
constexpr std::size_t kMaxQuoteCommaQuoteDistance = 57;
constexpr std::size_t kMaxNumberDistance = 52;
// A TPDU is at most 176 octets; four digits leave room for any modem's count.
constexpr std::size_t kMaxLengthDigits = 4;

constexpr auto npos = std::string_view::npos;

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The text from start up to the end of its line.
std::string_view RestOfLine(std::string_view text, std::size_t start) {
    if (start >= text.size()) {
        return {};
    }
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == npos ? npos : end - start);
}

// The position of the last line that holds only "OK" at or after from: the final
// result code, so that a body line reading "OK" stays part of the body.
std::size_t FindFinalOk(std::string_view text, std::size_t from) {
    std::size_t found = npos;
    for (std::size_t k = text.find("OK", from); k != npos; k = text.find("OK", k + 1)) {
        const bool startsLine = k == 0 || IsLineBreak(text[k - 1]);
        const bool endsLine = k + 2 == text.size() || IsLineBreak(text[k + 2]);
        if (startsLine && endsLine) {
            found = k;
        }
    }
    return found;
}

std::optional<int> ParseCount(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxLengthDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

CmgrParser::PduVerdict CmgrParser::ParsePduAnswer(std::string_view answer,
                                                  ReceivedMessage& message) {
    const std::size_t p = answer.find(kCmgr);
    if (p == npos) {
        return PduVerdict::Malformed;
    }
    // The alpha field is either quoted empty or left out.
    std::string_view separator = ",\"\",";
    std::size_t s = answer.find(separator, p + 2);
    if (s == npos) {
        separator = ",,";
        s = answer.find(separator, p + 2);
    }
    if (s == npos || s - p > kMaxSeparatorDistance) {
        return PduVerdict::Malformed;
    }
    const std::size_t e = answer.find(kLineEnd, s + 1);
    const std::size_t lengthStart = s + separator.size();
    if (e == npos || e - s > kMaxLengthFieldDistance || e < lengthStart) {
        return PduVerdict::Malformed;
    }
    const std::optional<int> tpduLength = ParseCount(answer.substr(lengthStart, e - lengthStart));
    if (!tpduLength) {
        return PduVerdict::Malformed;
    }
    const std::string_view pdu = RestOfLine(answer, e + 2);
    std::uint8_t serviceCentreLength = 0;
    if (pdu.size() < 2 || !HexPair::HexPairToByte(pdu[0], pdu[1], &serviceCentreLength)) {
        return PduVerdict::Malformed;
    }
    const std::size_t firstOctetAt = 2 + 2 * std::size_t{serviceCentreLength};
    std::uint8_t firstOctet = 0;
    if (firstOctetAt + 2 > pdu.size() ||
        !HexPair::HexPairToByte(pdu[firstOctetAt], pdu[firstOctetAt + 1], &firstOctet)) {
        return PduVerdict::Malformed;
    }
    constexpr std::uint8_t kUserDataHeaderIndicator = 0x40;
    const bool withHeader = (firstOctet & kUserDataHeaderIndicator) != 0;
    // The length in the header counts the TPDU only; the service centre field and its
    // length octet come first. Modems are known to report a length that does not match
    // the PDU, so no more pairs are taken than the line holds.
    const std::size_t claimed = std::size_t{serviceCentreLength} + *tpduLength + 1;
    const std::size_t pairs = std::min({claimed, pdu.size() / 2, kWorkAreaBytes});
    std::string bytes;
    for (std::size_t i = 0; i < pairs; ++i) {
        std::uint8_t byte = 0;
        if (!HexPair::HexPairToByte(pdu[2 * i], pdu[2 * i + 1], &byte)) {
            // A cut PDU would be taken for the whole message and deleted from the SIM:
            // the read fails instead, and the message stays for another try.
            if (withHeader) {
                return PduVerdict::Malformed;
            }
            return PduVerdict::WithoutHeader;
        }
        bytes += static_cast<char>(byte);
    }
    // 8-bit data shows in text mode as hexadecimal that could pass for UCS2: such a
    // message is delivered as its PDU as well.
    bool eightBit = false;
    if (!withHeader) {
        const std::optional<SmsDeliverPdu> decoded = SmsDeliverPdu::Decode(bytes);
        eightBit = decoded && decoded->alphabet == SmsDeliverPdu::Alphabet::EightBit;
        if (!eightBit) {
            return PduVerdict::WithoutHeader;
        }
    }
    message.hasHeader = withHeader;
    message.eightBit = eightBit;
    message.pduLength = static_cast<int>(bytes.size());
    message.bytes = std::move(bytes);
    return PduVerdict::WithHeader;
}

bool CmgrParser::ParseTextAnswer(std::string_view answer, std::size_t modeOkPosition,
                                 ReceivedMessage& message) {
    // The "," between the quoted status and the quoted number.
    const std::size_t o = answer.find("\",\"");
    if (o == npos || o > modeOkPosition + kMaxQuoteCommaQuoteDistance) {
        return false;
    }
    const std::size_t q = answer.find("\",", o + 2);
    if (q == npos || q < o + 3 || q - o > kMaxNumberDistance) {
        return false;
    }
    const std::string_view number = answer.substr(o + 3, q - o - 3);
    if (std::any_of(number.begin(), number.end(), IsLineBreak)) {
        return false;
    }

    // The alpha field after the number (TS 27.005: empty, or a quoted name), then the
    // quoted time stamp.
    std::size_t at = q + 2;
    if (at < answer.size() && answer[at] == '"') {
        const std::size_t closing = answer.find('"', at + 1);
        if (closing == npos) {
            return false;
        }
        at = closing + 1;
    } else {
        while (at < answer.size() && answer[at] != ',' && !IsLineBreak(answer[at])) {
            ++at;
        }
    }
    if (at >= answer.size() || answer[at] != ',') {
        return false;
    }
    ++at;
    while (at < answer.size() && answer[at] == ' ') {
        ++at;
    }
    if (at >= answer.size() || answer[at] != '"') {
        return false;
    }
    const std::size_t t = at;
    const std::size_t t2 = answer.find('"', t + 1);
    if (t2 == npos || t2 - t - 1 > kMaxTimeStampChars) {
        return false;
    }
    const std::string_view timeStamp = answer.substr(t + 1, t2 - t - 1);
    if (std::any_of(timeStamp.begin(), timeStamp.end(), IsLineBreak)) {
        return false;
    }

    const std::size_t h = answer.find(kLineEnd, t2 + 1);
    if (h == npos) {
        return false;
    }
    const std::size_t bodyStart = h + 2;
    const std::size_t k = FindFinalOk(answer, bodyStart);
    if (k == npos) {
        return false;
    }
    // The body ends with the line ends that frame the final "OK"; they are not text.
    std::string_view body = answer.substr(bodyStart, k - bodyStart);
    while (!body.empty() && IsLineBreak(body.back())) {
        body.remove_suffix(1);
    }
    body = body.substr(0, kWorkAreaBytes);

    message.number = GbkText::ToUtf8(number);
    message.timeStamp = GbkText::ToUtf8(timeStamp);
    message.text.clear();
    message.bytes.clear();
    const bool hex = body.size() % 4 == 0 && std::all_of(body.begin(), body.end(), IsUpperHexDigit);
    if (hex) {
        const std::size_t units = std::min(body.size() / 4, kMaxBodyUnits);
        for (std::size_t i = 0; i < units; ++i) {
            char16_t unit = 0;
            for (std::size_t d = 0; d < 4; ++d) {
                const char c = body[4 * i + d];
                unit = static_cast<char16_t>(unit * 16 + (c <= '9' ? c - '0' : c - 'A' + 10));
            }
            message.text += unit;
        }
        // A cut never leaves half of a surrogate pair at the end.
        if (!message.text.empty() && message.text.back() >= 0xD800 &&
            message.text.back() <= 0xDBFF) {
            message.text.pop_back();
        }
        message.isUcs2 = true;
    } else {
        message.bytes = std::string(GbkText::CutToFit(body, 2 * kMaxBodyUnits));
        message.isUcs2 = false;
    }
    return true;
}

}  // namespace veltro
