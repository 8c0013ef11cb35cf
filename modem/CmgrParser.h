#pragma once

#include <cstddef>
#include <string_view>

#include "modem/ReceivedMessage.h"

namespace veltro {

// Takes apart the answers to "AT+CMGR=" (3GPP TS 27.005): the PDU-mode answer, whose
// SMS-DELIVER is decoded by the data coding it states, and the text-mode answer of a
// card that refuses PDU mode, with number, time stamp and body. Pure functions of the
// answer text; every field is bounded and a malformed answer fails without touching
// what it could not read.
class CmgrParser {
public:
    static constexpr std::size_t kMaxNumberChars = 49;
    // The time stamp fits a 32-byte field with its terminator.
    static constexpr std::size_t kMaxTimeStampChars = 31;
    // A body is taken through a work area of this many bytes...
    static constexpr std::size_t kWorkAreaBytes = 3000;
    // ...and delivered in at most this many UTF-16 units (a 1000-unit buffer with its
    // terminator), or twice as many bytes for a body that is not UCS2.
    static constexpr std::size_t kMaxBodyUnits = 999;

    // "+CMGR: " [stat] "," [alpha] "," length, then one line of PDU (PduAnswerParser).
    static bool ParsePduAnswer(std::string_view answer, ReceivedMessage& message);

    // One SMS-DELIVER (service-centre field and TPDU, as bytes) as ReadMessage delivers
    // it: number and time stamp from the PDU; a message with a user-data header, or
    // with 8-bit data, as its raw bytes (hasHeader or eightBit); any other as its text
    // decoded from GSM 7-bit or UCS2 (isUcs2). False for a PDU that is not a
    // well-formed SMS-DELIVER.
    static bool TakeDeliverPdu(std::string_view pdu, ReceivedMessage& message);

    // "+CMGR: " "stat","number",[alpha],"time stamp" CR LF body CR LF ... "OK". The
    // ","  after the status must lie at most 57 characters beyond modeOkPosition, the
    // position of "OK" in the answer to the "AT+CMGF=1" before it. A body of
    // upper-case hexadecimal digits in whole groups of four is UCS2; any other body is
    // delivered as bytes. No data coding is known on this route, so hexadecimal is a
    // guess; the PDU route never guesses.
    static bool ParseTextAnswer(std::string_view answer, std::size_t modeOkPosition,
                                ReceivedMessage& message);
};

}  // namespace veltro
