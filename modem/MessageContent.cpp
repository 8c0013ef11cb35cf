#include "modem/MessageContent.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "modem/GbkText.h"
#include "modem/SmsDeliverPdu.h"
#include "modem/Utf16Text.h"

namespace veltro {

namespace {

std::string Hex(std::string_view octets) {
    std::string hex;
    for (const char c : octets) {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02X", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex;
}

}  // namespace

std::string MessageContent::EightBitText(std::string_view octets) {
    const bool printable = std::all_of(octets.begin(), octets.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n' || c == '\t';
    });
    return printable ? std::string(octets) : Hex(octets);
}

MessageContent MessageContent::Of(const ReceivedMessage& message) {
    MessageContent content;
    content.number = message.number;
    if (!message.hasHeader && !message.eightBit) {
        content.text =
            message.isUcs2 ? Utf16Text::ToUtf8(message.text) : GbkText::ToUtf8(message.bytes);
        return content;
    }
    const std::optional<SmsDeliverPdu> pdu = SmsDeliverPdu::Decode(message.bytes);
    if (!pdu) {
        content.text = Hex(message.bytes);
        return content;
    }
    content.number = pdu->number.empty() ? std::string(ReceivedMessage::kUnknown) : pdu->number;
    content.text = pdu->alphabet == SmsDeliverPdu::Alphabet::EightBit
                       ? EightBitText(pdu->octets)
                       : Utf16Text::ToUtf8(pdu->text);
    if (pdu->concatenated && pdu->total > 1) {
        content.isPart = true;
        content.reference = pdu->reference;
        content.total = pdu->total;
        content.sequence = pdu->sequence;
    }
    return content;
}

}  // namespace veltro
