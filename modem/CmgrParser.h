#pragma once

#include <cstddef>
#include <string_view>

#include "modem/ReceivedMessage.h"

namespace veltro {

// Takes apart the two answers to "AT+CMGR=" that ReadMessage collects (3GPP TS 27.005):
// the PDU-mode answer, of which only the user-data-header indicator is examined, and the
// text-mode answer with number, time stamp and body. Pure functions of the answer text;
// every field is bounded and a malformed answer fails without touching what it could
// not read.
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

    enum class PduVerdict {
        Malformed,
        WithHeader,     // delivered as its raw PDU (a user-data header or 8-bit data):
                        // hasHeader or eightBit, bytes and pduLength are set; done
        WithoutHeader,  // read the message again in text mode
    };

    // "+CMGR: " stat "," [alpha] "," length CR LF pdu. A message that carries a
    // user-data header, or 8-bit data, is delivered as its raw PDU bytes; a bad hex
    // pair in the PDU of a header message fails the read.
    static PduVerdict ParsePduAnswer(std::string_view answer, ReceivedMessage& message);

    // "+CMGR: " "stat","number",[alpha],"time stamp" CR LF body CR LF ... "OK". The
    // ","  after the status must lie at most 57 characters beyond modeOkPosition, the
    // position of "OK" in the answer to the "AT+CMGF=1" before it. A body of
    // upper-case hexadecimal digits in whole groups of four is UCS2; any other body is
    // delivered as bytes.
    static bool ParseTextAnswer(std::string_view answer, std::size_t modeOkPosition,
                                ReceivedMessage& message);
};

}  // namespace veltro
