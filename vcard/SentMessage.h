#pragma once

#include <string>

namespace veltro::vcard {

// One AT+CMGS submission the card accepted, as received and as the network would
// deliver it.
struct SentMessage {
    bool pduMode = false;    // submitted in PDU mode (AT+CMGF=0)
    std::string raw;         // the bytes between the "> " prompt and Ctrl-Z
    std::string number;      // destination address, "+" in front when international
    std::string text;        // the body, UTF-8
    int reference = 0;       // the <mr> the card answered with
    int tpReference = -1;    // TP-MR inside the PDU; -1 in text mode
    int dataCoding = 0;      // TP-DCS (0 GSM 7-bit, 8 UCS2, 4 8-bit)
    bool hasHeader = false;  // the user data began with a header
};

}  // namespace veltro::vcard
