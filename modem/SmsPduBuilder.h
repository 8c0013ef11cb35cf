#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modem/MessageReference.h"

namespace veltro {

// An SMS-SUBMIT ready for "AT+CMGS=": the PDU as hexadecimal text (without the Ctrl-Z
// that ends it on the wire) and its TPDU length in octets.
struct SubmitPdu {
    std::string hex;
    int tpduLength = 0;
};

// Builds the UCS2 SMS-SUBMIT PDUs of outgoing messages (3GPP TS 23.040): no service
// centre address (the modem uses its stored one), relative validity period "01", data
// coding "08". A text of at most 70 UTF-16 units goes as one message; a longer one as a
// concatenated message of parts of at most 67 units behind a user-data header with an
// 8-bit reference (information element 00), never splitting a surrogate pair.
class SmsPduBuilder {
public:
    // One UCS2 message holds 140 octets of user data.
    static constexpr std::size_t kMaxUnits = 70;
    // The six octets of the concatenation header leave 134 octets for text.
    static constexpr std::size_t kPartUnits = 67;
    // The part number is one octet.
    static constexpr std::size_t kMaxParts = 255;
    // TP-DA carries at most 10 octets of semi-octets.
    static constexpr std::size_t kMaxAddressDigits = 20;
    // The country code put in front of national numbers.
    static constexpr std::string_view kCountryCode = "86";

    // The destination address fields: digit count, type of address and the digits in
    // swapped semi-octets. A mobile number gets the country code in front (type "91");
    // a number written "+" followed by digits is already international. With national
    // set the digits go as they are, type "81" (service numbers such as "10086").
    // nullopt for anything else (other characters, no digits, too many digits).
    static std::optional<std::string> DestinationAddress(std::string_view number,
                                                         std::size_t* digitCount,
                                                         bool national = false);

    // The pieces a text goes out in: the whole text when it fits one message, else
    // parts of at most 67 units, a surrogate pair always within one part.
    static std::vector<std::u16string_view> Split(std::u16string_view text);
    // How many messages the text takes (1 for an empty text).
    static std::size_t PartCount(std::u16string_view text);

    // The PDU for number and text, taking the next value of reference. nullopt, with
    // reference untouched, when the number cannot be encoded or the text does not fit
    // one message: a longer text would go out cut.
    static std::optional<SubmitPdu> Build(std::string_view number, std::u16string_view text,
                                          MessageReference& reference);
    // Every PDU of the text, in part order: one message, or the parts of a
    // concatenated message that carry concatReference (0..255). Each PDU takes the next
    // value of reference. nullopt when the number cannot be encoded or the text needs
    // more than kMaxParts parts.
    static std::optional<std::vector<SubmitPdu>> BuildAll(std::string_view number,
                                                          std::u16string_view text,
                                                          MessageReference& reference,
                                                          int concatReference,
                                                          bool national = false);
    // The reference of the next concatenated message of this process; it changes with
    // every message and starts at a value taken from the clock, so that messages of
    // two runs are not joined by the recipient.
    static int NextConcatReference();
};

}  // namespace veltro
