#include "modem/CmgrParser.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "modem/GbkText.h"
#include "modem/PduAnswerParser.h"
#include "modem/SmsDeliverPdu.h"

namespace veltro {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kMaxQuoteCommaQuoteDistance = 57;
constexpr std::size_t kMaxNumberDistance = 52;

constexpr auto npos = std::string_view::npos;

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
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

}  // namespace

bool CmgrParser::ParsePduAnswer(std::string_view answer, ReceivedMessage& message) {
    const std::optional<PduAnswerParser::Entry> entry = PduAnswerParser::ParseRead(answer);
    return entry && TakeDeliverPdu(entry->pdu, message);
}

bool CmgrParser::TakeDeliverPdu(std::string_view pdu, ReceivedMessage& message) {
    const std::optional<SmsDeliverPdu> decoded = SmsDeliverPdu::Decode(pdu);
    if (!decoded) {
        return false;
    }
    message = ReceivedMessage{};
    if (!decoded->number.empty()) {
        message.number = decoded->number;
    }
    if (!decoded->timeStamp.empty()) {
        message.timeStamp = decoded->timeStamp;
    }
    const bool eightBit = decoded->alphabet == SmsDeliverPdu::Alphabet::EightBit;
    if (decoded->hasHeader || eightBit) {
        // Parts of a longer message and binary data go to the caller whole: the part
        // store and the 8-bit display decode them again.
        message.hasHeader = decoded->hasHeader;
        message.eightBit = !decoded->hasHeader;
        message.bytes = std::string(pdu);
        message.pduLength = static_cast<int>(pdu.size());
        return true;
    }
    message.text = decoded->text.substr(0, kMaxBodyUnits);
    message.isUcs2 = true;
    return true;
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
