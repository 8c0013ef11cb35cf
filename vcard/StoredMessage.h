#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::vcard {

// One short message in a SIM slot: the SMS-DELIVER the network handed over, and the
// fields the modem shows of it in text mode.
struct StoredMessage {
    // <stat> of 3GPP TS 27.005, PDU-mode numbering.
    enum class Status { ReceivedUnread = 0, ReceivedRead = 1, StoredUnsent = 2, StoredSent = 3 };

    Status status = Status::ReceivedUnread;
    std::string number;                  // originator as shown, UTF-8 ("+8613912345678", "10086")
    std::string timeStamp;               // service-centre time stamp, "yy/MM/dd,hh:mm:ss+zz"
    std::string text;                    // this part's text, UTF-8
    int dataCoding = 0;                  // TP-DCS: 0 GSM 7-bit, 8 UCS2
    bool hasHeader = false;              // TP-UDHI: the user data starts with a header
    std::vector<std::uint8_t> userData;  // TP-UD as sent, header included
    std::vector<std::uint8_t> pdu;       // service-centre address + TPDU
    int tpduLength = 0;                  // octets of the TPDU alone
    // The name some modems put into the <alpha> field of a PDU-mode answer, from the
    // SIM's phonebook ("+CMGR: 0,\"Mum\",23"); empty leaves the field empty.
    std::string alpha;
};

}  // namespace veltro::vcard
