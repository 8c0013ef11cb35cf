#include "cli/EventWatcher.h"

#include <string_view>

#include "cli/TerminalText.h"

namespace veltro::cli {

namespace {

constexpr std::string_view kMessageLine = "+CMTI: ";

// "+CMTI: "SM",3": the storage and the index, or nothing for another line.
std::optional<std::pair<std::string, long long>> MessageIndication(std::string_view line) {
    if (line.substr(0, kMessageLine.size()) != kMessageLine) {
        return std::nullopt;
    }
    line.remove_prefix(kMessageLine.size());
    const std::size_t comma = line.rfind(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view storage = line.substr(0, comma);
    if (storage.size() >= 2 && storage.front() == '"' && storage.back() == '"') {
        storage = storage.substr(1, storage.size() - 2);
    }
    const std::string_view digits = line.substr(comma + 1);
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{std::string(storage), std::stoll(std::string(digits))};
}

}  // namespace

void EventWatcher::Ring(const std::optional<std::string>& caller) {
    nlohmann::ordered_json event = {{"event", "ring"}};
    std::string plain = "ring\n";
    if (caller) {
        event["caller"] = *caller;
        plain += "caller: " + TerminalText::Escape(*caller) + "\n";
    }
    output_.Event(event, plain);
}

void EventWatcher::Poll() {
    std::uint32_t count = 0;
    if (engine_.DrainInput(&count) == 0) {
        return;
    }
    // A ring still waiting from an earlier poll gets no caller line any more.
    bool olderRing = ringPending_;
    auto flushRing = [&] {
        if (ringPending_) {
            Ring(std::nullopt);
        }
        ringPending_ = false;
        olderRing = false;
    };
    for (const CallEvent& event : engine_.TakeCallEvents()) {
        switch (event.kind) {
            case CallEvent::Kind::Ring:
                flushRing();
                ringPending_ = true;
                break;
            case CallEvent::Kind::Caller:
                Ring(event.number);
                ringPending_ = false;
                olderRing = false;
                break;
            case CallEvent::Kind::NoCarrier:
                flushRing();
                output_.Event({{"event", "hangup"}}, "no-carrier\n");
                break;
        }
    }
    if (olderRing) {
        flushRing();
    }
    TakeMessageLines();
}

void EventWatcher::TakeMessageLines() {
    const std::string_view text(engine_.Response(), engine_.ResponseLength());
    if (scanned_ > text.size()) {
        scanned_ = 0;
    }
    for (std::size_t end = text.find('\n', scanned_); end != std::string_view::npos;
         end = text.find('\n', scanned_)) {
        std::string_view line = text.substr(scanned_, end - scanned_);
        while (!line.empty() && line.front() == '\r') {
            line.remove_prefix(1);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (const auto indication = MessageIndication(line)) {
            output_.Event({{"event", "message"},
                           {"storage", indication->first},
                           {"index", indication->second}},
                          "message: " + std::to_string(indication->second) + "\n");
        }
        scanned_ = end + 1;
    }
    if (!text.empty() &&
        (scanned_ == text.size() || text.size() >= ModemEngine::kResponseSize / 2)) {
        engine_.ClearResponse();
        scanned_ = 0;
    }
}

}  // namespace veltro::cli
