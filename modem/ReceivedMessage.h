#pragma once

#include <string>

namespace veltro {

// A stored message as ReadMessage delivers it.
struct ReceivedMessage {
    // Shown for a number or time stamp that was not read.
    static constexpr const char* kUnknown = "未知";

    std::string number = kUnknown;     // UTF-8, the originator
    std::string timeStamp = kUnknown;  // UTF-8, the service-centre time stamp,
                                       // "yy/MM/dd,hh:mm:ss+zz" as text mode shows it
    std::u16string text;               // isUcs2: the whole decoded body
    std::string bytes;                 // text route, !isUcs2: the body's bytes (GBK);
                                       // hasHeader or eightBit: the raw PDU bytes
    // text holds the decoded body: every plain message read in PDU mode (GSM 7-bit or
    // UCS2, by its data coding), and a text-mode body of UCS2 hexadecimal.
    bool isUcs2 = false;
    bool hasHeader = false;  // carries a user-data header; bytes holds the PDU
    bool eightBit = false;   // 8-bit user data, which text mode would show as hex;
                             // bytes holds the PDU
    int pduLength = 0;       // hasHeader or eightBit: the number of PDU bytes in bytes
};

}  // namespace veltro
