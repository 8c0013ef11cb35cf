#pragma once

#include <string>

namespace veltro {

// A stored message as ReadMessage delivers it.
struct ReceivedMessage {
    // Shown for a number or time stamp that was not read.
    static constexpr const char* kUnknown = "未知";

    std::string number = kUnknown;     // UTF-8, the originator as the modem shows it
    std::string timeStamp = kUnknown;  // UTF-8, the service-centre time stamp as shown
    std::u16string text;               // isUcs2: the body decoded from UCS2 hexadecimal
    std::string bytes;                 // !isUcs2: the body's bytes as received (GBK);
                                       // hasHeader or eightBit: the raw PDU bytes
    bool isUcs2 = false;
    bool hasHeader = false;  // carries a user-data header; bytes holds the PDU
    bool eightBit = false;   // 8-bit user data, which text mode would show as hex;
                             // bytes holds the PDU
    int pduLength = 0;       // hasHeader or eightBit: the number of PDU bytes in bytes
};

}  // namespace veltro
