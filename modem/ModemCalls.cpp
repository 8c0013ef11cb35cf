#include <algorithm>
#include <string>

#include "modem/CallerIdParser.h"
#include "modem/ModemEngine.h"

namespace veltro {

namespace {

constexpr std::uint32_t kAnswerLimitMs = 2000;
constexpr std::uint32_t kHangUpLimitMs = 2000;
constexpr std::string_view kToneKeys = "0123456789*#ABCD";

}  // namespace

bool ModemEngine::Dial(std::string_view number) {
    // A control character would end the line early and start another command.
    if (number.empty() || number.size() + 2 > kDialBufferSize ||
        std::any_of(number.begin(), number.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        return false;
    }
    const std::string argument = std::string(number) + ";";
    return PostCommand(AtCommandId::Dial, CommandForm::Append, argument.c_str(), false) != 0;
}

bool ModemEngine::Answer() {
    return RunExchange({AtCommandId::Answer, CommandForm::Plain, nullptr, SendMode::PostSettle,
                        ResultCodeId::Ok, kAnswerLimitMs, ClearMode::Always});
}

bool ModemEngine::HangUp() {
    return RunExchange({AtCommandId::HangUp, CommandForm::Plain, nullptr, SendMode::Settle,
                        ResultCodeId::Ok, kHangUpLimitMs, ClearMode::Always});
}

bool ModemEngine::SendTone(std::string_view tone) {
    if (tone.size() != 1 || kToneKeys.find(tone.front()) == std::string_view::npos) {
        return false;
    }
    const std::string argument(tone);
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
    return true;
}

}  // namespace veltro
