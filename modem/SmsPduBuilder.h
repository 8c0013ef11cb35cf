#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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
// coding "08", one message of at most 70 UTF-16 units.
class SmsPduBuilder {
public:
    // One UCS2 message holds 140 octets of user data.
    static constexpr std::size_t kMaxUnits = 70;
    // TP-DA carries at most 10 octets of semi-octets.
    static constexpr std::size_t kMaxAddressDigits = 20;
    // The country code put in front of national numbers.
    static constexpr std::string_view kCountryCode = "86";

    // The destination address fields: digit count, type of address "91" and the digits
    // in swapped semi-octets. A national number gets the country code in front; a
    // number written "+" followed by digits is already international. nullopt for
    // anything else (other characters, no digits, too many digits).
    static std::optional<std::string> DestinationAddress(std::string_view number,
                                                         std::size_t* digitCount);

    // The PDU for number and text, taking the next value of reference. nullopt, with
    // reference untouched, when the number cannot be encoded or the text does not fit
    // one message: a longer text would go out cut.
    static std::optional<SubmitPdu> Build(std::string_view number, std::u16string_view text,
                                          MessageReference& reference);
};

}  // namespace veltro
