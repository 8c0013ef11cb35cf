// An SMS-DELIVER PDU as the inbox takes it from "AT+CMGR" in PDU mode (a message with a
// user-data header, or 8-bit data): decoded, turned into what the inbox shows, and,
// when it is one part of a longer message, into the part the inbox keeps in its store.
// The input is the PDU's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "records/PartStore.h"
#include "modem/MessageContent.h"
#include "modem/SmsDeliverPdu.h"
#include "modem/Utf16Text.h"

using veltro::MessageContent;
using veltro::PartStore;
using veltro::SmsDeliverPdu;

namespace {

bool IsUtf8(const std::string& text) {
    return veltro::Utf16Text::FromUtf8(text).has_value();
}

// Every field within what its length octet or the header can give.
void CheckBounds(const SmsDeliverPdu& pdu, std::size_t size) {
    // 20 digits and a "+", or the letters of 10 octets.
    FUZZ_CHECK(pdu.number.size() <= 21);
    FUZZ_CHECK(pdu.dataCoding >= 0 && pdu.dataCoding <= 255);
    FUZZ_CHECK(pdu.alphabet ==
               SmsDeliverPdu::AlphabetOf(static_cast<std::uint8_t>(pdu.dataCoding)));
    switch (pdu.alphabet) {
        case SmsDeliverPdu::Alphabet::Gsm7:
            FUZZ_CHECK(pdu.text.size() <= 255 && pdu.octets.empty());
            break;
        case SmsDeliverPdu::Alphabet::Ucs2:
            FUZZ_CHECK(pdu.text.size() <= 127 && pdu.octets.empty());
            break;
        case SmsDeliverPdu::Alphabet::EightBit:
            FUZZ_CHECK(pdu.octets.size() <= 255 && pdu.octets.size() < size && pdu.text.empty());
            break;
    }
    FUZZ_CHECK(pdu.hasHeader || !pdu.concatenated);
    if (pdu.concatenated) {
        FUZZ_CHECK(pdu.reference >= 0 && pdu.reference <= 65535);
        FUZZ_CHECK(pdu.total >= 1 && pdu.total <= 255);
        FUZZ_CHECK(pdu.sequence >= 1 && pdu.sequence <= pdu.total);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto pdu = SmsDeliverPdu::Decode(bytes);
    if (pdu) {
        CheckBounds(*pdu, size);
    }

    veltro::ReceivedMessage message;
    message.hasHeader = true;
    message.bytes = bytes;
    message.pduLength = static_cast<int>(size);
    const MessageContent content = MessageContent::Of(message);
    FUZZ_CHECK(!content.number.empty() && IsUtf8(content.number) && IsUtf8(content.text));
    if (!pdu) {
        // Shown as its hexadecimal digits.
        FUZZ_CHECK(content.text.size() == 2 * size && !content.isPart);
        return 0;
    }
    FUZZ_CHECK(content.isPart == (pdu->concatenated && pdu->total > 1));
    if (!content.isPart) {
        return 0;
    }
    // The store must take every part the inbox can read, or the message would stay on
    // the SIM and be read again at every cycle; its line must read back the same.
    const PartStore::Part part{content.number,   content.reference, content.total,
                               content.sequence, 1765000000,        content.text};
    FUZZ_CHECK(PartStore::Valid(part));
    const auto reread = PartStore::Decode(PartStore::Encode({part}));
    FUZZ_CHECK(reread.size() == 1 && reread[0] == part);
    return 0;
}
