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
    ForEachLine(text, [&events](std::string_view line) {
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

bool CallLines::HasOkLine(std::string_view text) {
    for (std::size_t at = text.find("OK"); at != std::string_view::npos;
         at = text.find("OK", at + 1)) {
        const bool lineStart = at == 0 || text[at - 1] == '\r' || text[at - 1] == '\n';
        const bool lineEnd = at + 2 == text.size() || text[at + 2] == '\r' || text[at + 2] == '\n';
        if (lineStart && lineEnd) {
            return true;
        }
    }
    return false;
}

}  // namespace veltro
