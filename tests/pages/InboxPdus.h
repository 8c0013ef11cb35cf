#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "vcard/StoredMessage.h"

namespace veltro::test {

// The PDUs of one message of tests/data/inbox-pdus.txt, which python3-gammu, an
// independent codec, wrote (tests/data/inbox_pdus.py).
inline std::vector<std::string> InboxPdus(const std::string& name) {
    std::ifstream in(std::string(VELTRO_TEST_DATA) + "/inbox-pdus.txt");
    std::vector<std::string> pdus;
    std::string key;
    std::string hex;
    while (in >> key >> hex) {
        if (key == name) {
            pdus.push_back(hex);
        }
    }
    return pdus;
}

// The message the card stores for pdu; text is what its text mode shows of a GSM 7-bit
// body without a header.
inline vcard::StoredMessage FromPdu(const std::string& hex, const std::string& number,
                                    const std::string& text = {}) {
    vcard::StoredMessage message;
    message.number = number;
    message.timeStamp = "25/12/31,08:30:00+00";
    message.text = text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        message.pdu.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    std::size_t at = 1u + message.pdu[0];
    message.tpduLength = static_cast<int>(message.pdu.size() - at);
    message.hasHeader = (message.pdu[at] & 0x40) != 0;
    at += 3u + (message.pdu[at + 1] + 1u) / 2;  // first octet, address length and type
    message.dataCoding = message.pdu[at + 1];
    at += 10;  // protocol, coding, time stamp, data length
    message.userData.assign(message.pdu.begin() + static_cast<long>(at), message.pdu.end());
    return message;
}

}  // namespace veltro::test
