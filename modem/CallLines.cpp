#include "modem/CallLines.h"

#include "modem/CallerIdParser.h"

namespace veltro {

namespace {

constexpr std::string_view kRing = "RING";
constexpr std::string_view kNoCarrier = "NO CARRIER";
constexpr std::string_view kCaller = "+CLIP:";

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            visit(text.substr(start, end - start));
        }
        start = end + 1;
    }
}

}  // namespace

bool CallLines::IsCallLine(std::string_view line) {
    return line == kRing || line == kNoCarrier || line.starts_with(kCaller);
}

std::vector<CallEvent> CallLines::Events(std::string_view text) {
    std::vector<CallEvent> events;
    bool inBody = false;
    ForEachLine(text, [&events, &inBody](std::string_view line) {
        if (inBody || OpensBody(line)) {
            inBody = !EndsBody(line);
            return;
        }
        if (line == kRing) {
            events.push_back({CallEvent::Kind::Ring, std::nullopt});
        } else if (line == kNoCarrier) {
            events.push_back({CallEvent::Kind::NoCarrier, std::nullopt});
        } else if (line.starts_with(kCaller)) {
            events.push_back({CallEvent::Kind::Caller, CallerIdParser::Parse(line)});
        }
    });
    return events;
}

std::optional<DialResult> CallLines::DialResultOf(std::string_view line) {
    if (line == "OK") {
        return DialResult::Answered;
    }
    if (line == kNoCarrier) {
        return DialResult::NoCarrier;
    }
    if (line == "BUSY") {
        return DialResult::Busy;
    }
    if (line == "NO ANSWER") {
        return DialResult::NoAnswer;
    }
    if (line == "ERROR" || line.starts_with("+CME ERROR:")) {
        return DialResult::Error;
    }
    return std::nullopt;
}

bool CallLines::OpensBody(std::string_view line) {
    return line.starts_with("+CMGL:") || line.starts_with("+CMGR:");
}

bool CallLines::EndsBody(std::string_view line) {
    return line == "OK" || line == "ERROR" || line.starts_with("+CMS ERROR:") ||
           line.starts_with("+CME ERROR:");
}

}  // namespace veltro
