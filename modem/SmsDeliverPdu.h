#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// One received SMS-DELIVER taken apart (3GPP TS 23.040 9.2.2.1): the originator, how
// the user data is coded, the text or octets, and the concatenation element of its
// user-data header (8-bit or 16-bit reference) when it is one part of a longer message.
struct SmsDeliverPdu {
    enum class Alphabet { Gsm7, EightBit, Ucs2 };

    std::string number;  // UTF-8; "+" in front of an international number
    // The service centre's time stamp as text mode shows it, "yy/MM/dd,hh:mm:ss+zz"
    // (zz in quarter hours); empty when a digit is not one.
    std::string timeStamp;
    int dataCoding = 0;
    Alphabet alphabet = Alphabet::Gsm7;
    std::u16string text;  // Gsm7 and Ucs2: the user data after the header
    std::string octets;   // EightBit: the user data after the header
    bool hasHeader = false;
    // Concatenation (information elements 00 and 08 of 9.2.3.24).
    bool concatenated = false;
    int reference = 0;
    int total = 0;
    int sequence = 0;

    // pdu: the service-centre address field followed by the TPDU, as "AT+CMGR" in PDU
    // mode shows it. nullopt for anything that is not a well-formed SMS-DELIVER: every
    // length is checked against the bytes that are there.
    static std::optional<SmsDeliverPdu> Decode(std::string_view pdu);

    // The alphabet that a data coding scheme (3GPP TS 23.038 4) selects; reserved
    // values are taken as 8-bit data.
    static Alphabet AlphabetOf(std::uint8_t dataCoding);
};

}  // namespace veltro
