#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "modem/CallerIdParser.h"
#include "modem/ModemEngine.h"
#include "modem/PhoneNumber.h"

namespace veltro {

namespace {

constexpr std::uint32_t kAnswerLimitMs = 2000;
constexpr std::uint32_t kHangUpLimitMs = 2000;
constexpr std::string_view kToneKeys = "0123456789*#ABCD";
// What a dial string may hold: anything else (';' above all) could end the dial
// command and chain another one on the same line.
constexpr std::string_view kDialCharacters = "0123456789+*#ABCD";

// Calls visit(start, end) for each line of text, end excluding the line break; last is
// true for a line that runs to the end of text without a break.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(start, text.size(), true);
            return;
        }
        visit(start, end, false);
        start = end + 1;
    }
}

}  // namespace

bool ModemEngine::Dial(std::string_view writtenNumber) {
    const std::string number = PhoneNumber::Clean(writtenNumber);
    if (number.empty() || number.size() + 2 > kDialBufferSize ||
        number.find_first_not_of(kDialCharacters) != std::string_view::npos) {
        return false;
    }
    const std::string argument = number + ";";
    // What has arrived by now answers earlier commands, not the dial.
    std::uint32_t count = 0;
    DrainInput(&count);
    answerMark_ = ResponseLength();
    return PostCommand(AtCommandId::Dial, CommandForm::Append, argument.c_str(), false) != 0;
}

bool ModemEngine::Answer() {
    const bool answered =
        RunExchange({AtCommandId::Answer, CommandForm::Plain, nullptr, SendMode::PostSettle,
                     ResultCodeId::Ok, kAnswerLimitMs, ClearMode::Always});
    // A "NO CARRIER" stays: the caller may have given up before the answer.
    ForgetCallLines(false);
    return answered;
}

bool ModemEngine::HangUp() {
    const bool hungUp =
        RunExchange({AtCommandId::HangUp, CommandForm::Plain, nullptr, SendMode::Settle,
                     ResultCodeId::Ok, kHangUpLimitMs, ClearMode::Always});
    ForgetCallLines(true);
    return hungUp;
}

bool ModemEngine::SendTone(std::string_view tone) {
    if (tone.size() != 1 || kToneKeys.find(tone.front()) == std::string_view::npos) {
        return false;
    }
    const std::string argument(tone);
    std::uint32_t count = 0;
    DrainInput(&count);
    answerMark_ = ResponseLength();
    return PostCommand(AtCommandId::Vts, CommandForm::Assign, argument.c_str(), false) != 0;
}

bool ModemEngine::IsRinging() const {
    return FindCode(ResultCodeId::Ring) >= 0;
}

bool ModemEngine::GetCallerNumber(std::string* number) {
    const std::optional<std::string> found = CallerIdParser::Parse(Response());
    if (!found) {
        return false;
    }
    *number = *found;
    ClearResponse();
    ForgetCallLines(false);
    return true;
}

void ModemEngine::KeepCallLines(std::size_t end) {
    const std::string_view text(response_, ResponseLength());
    bool inBody = false;
    ForEachLine(text, [&](std::size_t start, std::size_t stop, bool) {
        const std::string_view line = text.substr(start, stop - start);
        if (inBody || CallLines::OpensBody(line)) {
            inBody = !CallLines::EndsBody(line);
            return;
        }
        if (start < end && CallLines::IsCallLine(line)) {
            keptCallLines_.append(line).append("\r\n");
        }
    });
    while (keptCallLines_.size() > kKeptCallLinesSize) {
        keptCallLines_.erase(0, keptCallLines_.find('\n') + 1);
    }
}

void ModemEngine::ForgetCallLines(bool noCarrierToo) {
    std::string kept;
    ForEachLine(keptCallLines_, [&](std::size_t start, std::size_t stop, bool) {
        const std::string_view line = std::string_view(keptCallLines_).substr(start, stop - start);
        if (!noCarrierToo && line == "NO CARRIER") {
            kept.append(line).append("\r\n");
        }
    });
    keptCallLines_ = std::move(kept);
}

std::vector<CallEvent> ModemEngine::TakeCallEvents() {
    std::string taken = std::exchange(keptCallLines_, {});
    // The buffer without its complete call lines; their line breaks stay.
    std::string rest;
    bool inBody = false;
    const std::string_view text(response_, ResponseLength());
    ForEachLine(text, [&](std::size_t start, std::size_t stop, bool last) {
        const std::string_view line = text.substr(start, stop - start);
        if (!last && (inBody || CallLines::OpensBody(line))) {
            inBody = !CallLines::EndsBody(line);
            rest.append(line);
        } else if (!last && CallLines::IsCallLine(line)) {
            taken.append(line).append("\r\n");
        } else {
            rest.append(line);
        }
        if (!last) {
            rest.push_back(text[stop]);
        }
    });
    std::memset(response_, 0, sizeof(response_));
    std::memcpy(response_, rest.data(), rest.size());
    return CallLines::Events(taken);
}

bool ModemEngine::AwaitToneResult() {
    return AwaitResultLine(kToneResultLimitMs, {}, true) == DialResult::Answered;
}

DialResult ModemEngine::AwaitDialResult(std::uint32_t limitMs, const std::function<bool()>& stop) {
    return AwaitResultLine(limitMs, stop, false);
}

DialResult ModemEngine::AwaitResultLine(std::uint32_t limitMs, const std::function<bool()>& stop,
                                        bool leaveNoCarrier) {
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        if (DrainInput(&count) == 0) {
            return DialResult::Error;
        }
        const std::string_view text(response_, ResponseLength());
        const std::size_t mark = std::min(answerMark_, text.size());
        std::optional<DialResult> result;
        std::size_t consumed = 0;
        ForEachLine(text.substr(mark), [&](std::size_t begin, std::size_t end, bool last) {
            if (!result && !last) {
                result = CallLines::DialResultOf(text.substr(mark + begin, end - begin));
                consumed = mark + (result == DialResult::NoCarrier && leaveNoCarrier ? begin : end);
            }
        });
        if (result) {
            // The call lines up to the result belong to it; those after it (the far end
            // hanging up right after a tone's "OK") stay for the call poll.
            ForgetCallLines(true);
            std::memset(response_, '0', consumed);
            if (consumed > 0) {
                response_[consumed - 1] = '\n';
            }
            ClearResponse();
            return *result;
        }
        if (stop && stop()) {
            return DialResult::Interrupted;
        }
        const std::uint64_t waited = clock_.NowMs() - start;
        if (waited >= limitMs) {
            return DialResult::TimedOut;
        }
        WaitForInput(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(limitMs - waited, kQuietSliceMs)));
    }
}

}  // namespace veltro
