#pragma once

#include <string>
#include <vector>

#include "modem/ListedMessage.h"

namespace veltro::cli {

// One message of a listing as veltrogprs-cli prints it: a plain message, or the parts
// of a long one joined in their order.
struct JoinedMessage {
    std::vector<std::string> indices;  // every storage index it came from, listing order
    int status = -1;                   // <stat> of its first entry
    std::string number;                // UTF-8
    std::string time;                  // the first part's time stamp
    std::string text;                  // UTF-8, whole
    int parts = 1;                     // how many parts the sender sent
    std::vector<int> missing;          // part numbers that were not listed
    std::string pdu;                   // an entry that is not an SMS-DELIVER: its bytes
};

// Joins the parts of long messages of one listing. Parts belong together when number,
// reference and part count agree; a part whose number is taken already by a part with
// other content starts another message (a sender that reuses its reference), one with
// the same content is the same part listed twice. Messages come in the order of their
// first entry; a missing part shows in the text as the inbox shows it.
class MessageJoiner {
public:
    static std::vector<JoinedMessage> Join(const std::vector<ListedMessage>& listed);
};

}  // namespace veltro::cli
