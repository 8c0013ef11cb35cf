#include "modem/MessageListParser.h"

#include <algorithm>
#include <array>

namespace veltro {

namespace {

constexpr std::string_view kCmgl = "+CMGL: ";
constexpr auto npos = std::string_view::npos;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// What follows "<index>," on an entry line: the quoted status of a text-mode listing,
// or the numeric status and its comma of a PDU-mode one (3GPP TS 27.005 3.4.2).
enum class EntryKind { Text, Pdu, None };

EntryKind KindOf(std::string_view rest) {
    constexpr std::array<std::string_view, 4> kStatuses = {"\"REC UNREAD\",", "\"REC READ\",",
                                                           "\"STO UNSENT\",", "\"STO SENT\","};
    for (const std::string_view status : kStatuses) {
        if (rest.substr(0, status.size()) == status) {
            return EntryKind::Text;
        }
    }
    if (rest.size() >= 2 && rest[0] >= '0' && rest[0] <= '4' && rest[1] == ',') {
        return EntryKind::Pdu;
    }
    return EntryKind::None;
}

}  // namespace

MessageListParser::Listing MessageListParser::Parse(std::string_view answer) {
    Listing listing;
    // A text-mode entry line is followed by at least one line of body, which is text
    // from the sender: it is never taken as an entry, whatever it says.
    bool bodyFollows = false;
    std::size_t start = 0;
    while (start < answer.size()) {
        std::size_t end = answer.find_first_of("\r\n", start);
        if (end == npos) {
            end = answer.size();
        }
        const std::string_view line = answer.substr(start, end - start);
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        if (bodyFollows) {
            bodyFollows = false;
            continue;
        }
        if (line.substr(0, kCmgl.size()) != kCmgl) {
            continue;
        }
        const std::size_t comma = line.find(',', kCmgl.size());
        if (comma == npos) {
            listing.complete = false;
            break;
        }
        // Only answer lines of the listing count: a body line that merely begins with
        // the prefix has no status after the index.
        const EntryKind kind = KindOf(line.substr(comma + 1));
        if (kind == EntryKind::None) {
            continue;
        }
        bodyFollows = kind == EntryKind::Text;
        const std::string_view index = line.substr(kCmgl.size(), comma - kCmgl.size());
        if (!index.empty() && index.size() <= kMaxIndexChars &&
            std::all_of(index.begin(), index.end(), IsDigit) &&
            std::find(listing.indices.begin(), listing.indices.end(), index) ==
                listing.indices.end()) {
            listing.indices.emplace_back(index);
        }
    }
    return listing;
}

}  // namespace veltro
