#include "modem/MessageListParser.h"

#include <algorithm>

namespace veltro {

namespace {

constexpr std::string_view kCmgl = "+CMGL: ";
constexpr auto npos = std::string_view::npos;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

MessageListParser::Listing MessageListParser::Parse(std::string_view answer) {
    Listing listing;
    std::size_t from = 0;
    for (std::size_t p = answer.find(kCmgl); p != npos; p = answer.find(kCmgl, from)) {
        from = p + kCmgl.size();
        // A message body in a text-mode listing may quote "+CMGL: " inside a line.
        if (p > 0 && answer[p - 1] != '\n' && answer[p - 1] != '\r') {
            continue;
        }
        const std::size_t comma = answer.find(',', from);
        const std::size_t lineEnd = answer.find_first_of("\r\n", from);
        if (comma == npos || (lineEnd != npos && lineEnd < comma)) {
            listing.complete = false;
            break;
        }
        const std::string_view index = answer.substr(from, comma - from);
        if (!index.empty() && index.size() <= kMaxIndexChars &&
            std::all_of(index.begin(), index.end(), IsDigit)) {
            listing.indices.emplace_back(index);
        }
        from = comma;
    }
    return listing;
}

}  // namespace veltro
