#pragma once

#include <string>

#include "modem/ReceivedMessage.h"

namespace veltro {

// What the inbox shows of one message that ReadMessage delivered: the number and the
// text, both UTF-8, and, for one part of a concatenated message, which part it is.
struct MessageContent {
    std::string number;
    std::string text;
    bool isPart = false;
    int reference = 0;
    int total = 0;
    int sequence = 0;

    // A text-mode body is UCS2 or GBK. A message delivered as its raw PDU (one with a
    // user-data header, or 8-bit data) is decoded here: 8-bit data shows as text when
    // every octet is printable ASCII, else as hexadecimal. A PDU that cannot be decoded
    // shows as hexadecimal with the number unknown.
    static MessageContent Of(const ReceivedMessage& message);

    // 8-bit user data as the inbox shows it.
    static std::string EightBitText(std::string_view octets);
};

}  // namespace veltro
