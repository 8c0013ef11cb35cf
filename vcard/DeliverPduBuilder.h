#pragma once

#include <string>
#include <vector>

#include "vcard/SmsTimeStamp.h"
#include "vcard/StoredMessage.h"

namespace veltro::vcard {

// Builds the SMS-DELIVER PDUs (3GPP TS 23.040 9.2.2.1) a network hands the card for one
// received text, the way a phone would receive it: GSM 7-bit when every character has a
// GSM form, UCS2 otherwise; a text too long for one message becomes a concatenated
// message (8-bit reference information element 00) of parts of 153 septets or 67 UCS2
// units, never splitting an escape sequence or a surrogate pair.
class DeliverPduBuilder {
public:
    static constexpr std::size_t kMaxParts = 255;

    // One unread StoredMessage per part, in part order. With sixteenBitReference the
    // parts carry information element 08 (a 16-bit reference) instead of 00.
    static std::vector<StoredMessage> Build(const std::string& number, const std::string& utf8Text,
                                            const SmsTimeStamp& time,
                                            const std::string& serviceCentre, int concatReference,
                                            bool sixteenBitReference = false);
    // One message of 8-bit data (TP-DCS 04), at most 140 octets.
    static StoredMessage BuildEightBit(const std::string& number, const std::string& octets,
                                       const SmsTimeStamp& time, const std::string& serviceCentre);
};

}  // namespace veltro::vcard
