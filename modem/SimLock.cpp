#include "modem/SimLock.h"

#include <algorithm>
#include <string>
#include <vector>

namespace veltro {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '"')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '"' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The text after prefix on the first line that starts with it, up to the line's end.
std::string_view LineAfter(std::string_view answer, std::string_view prefix, std::size_t& from) {
    for (std::size_t at = answer.find(prefix, from); at != std::string_view::npos;
         at = answer.find(prefix, at + 1)) {
        if (at != 0 && answer[at - 1] != '\n' && answer[at - 1] != '\r') {
            continue;
        }
        const std::size_t begin = at + prefix.size();
        std::size_t end = answer.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            end = answer.size();
        }
        from = end;
        return answer.substr(begin, end - begin);
    }
    from = std::string_view::npos;
    return {};
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(Trim(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

// A count of tries: 0 to 99.
int Count(std::string_view text) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return std::stoi(std::string(text));
}

bool Digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

SimLock::State SimLock::StateOf(std::string_view answer) {
    std::size_t from = 0;
    const std::string_view line = LineAfter(answer, "+CPIN:", from);
    if (from == std::string_view::npos) {
        return State::Unknown;
    }
    const std::string_view code = Trim(line);
    if (code == "READY") {
        return State::Ready;
    }
    if (code == "SIM PIN") {
        return State::Pin;
    }
    if (code == "SIM PUK") {
        return State::Puk;
    }
    return State::Other;
}

SimLock::Retries SimLock::RetriesOf(std::string_view answer) {
    Retries retries;
    for (std::size_t from = 0;;) {
        const std::string_view line = LineAfter(answer, "+CPINR:", from);
        if (from == std::string_view::npos) {
            break;
        }
        const auto fields = Fields(line);
        if (fields.size() < 2) {
            continue;
        }
        if (fields[0] == "SIM PIN") {
            retries.pin = Count(fields[1]);
        } else if (fields[0] == "SIM PUK") {
            retries.puk = Count(fields[1]);
        }
    }
    std::size_t from = 0;
    const std::string_view line = LineAfter(answer, "+CPINC:", from);
    if (from != std::string_view::npos) {
        const auto fields = Fields(line);
        if (fields.size() >= 3) {
            retries.pin = Count(fields[0]);
            retries.puk = Count(fields[2]);
        }
    }
    return retries;
}

bool SimLock::ValidPin(std::string_view pin) {
    return pin.size() >= kMinPin && pin.size() <= kMaxPin && Digits(pin);
}

bool SimLock::ValidPuk(std::string_view puk) {
    return puk.size() == kPukLength && Digits(puk);
}

}  // namespace veltro
