#pragma once

#include <string>

#include "modem/ReceivedMessage.h"

namespace veltro {

// One entry of a PDU-mode listing with its content, as ListMessageContents delivers it.
struct ListedMessage {
    std::string index;  // the storage index, 1 to 9 decimal digits
    int status = -1;    // <stat>: 0 received unread, 1 received read
    std::string pdu;    // the entry's PDU as bytes
    // False when the PDU is not a well-formed SMS-DELIVER: message is then empty.
    bool decoded = false;
    ReceivedMessage message;
};

}  // namespace veltro
