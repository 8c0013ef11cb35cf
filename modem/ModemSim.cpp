#include <algorithm>
#include <string>

#include "modem/CallLines.h"
#include "modem/ModemEngine.h"

namespace veltro {

namespace {

constexpr std::uint32_t kSimLimitMs = 2000;
// Checking a PIN or PUK takes the SIM a while on some cards.
constexpr std::uint32_t kUnlockLimitMs = 10000;
constexpr std::uint32_t kUssdCommandLimitMs = 5000;
// 3GPP TS 27.007 9.2.1: the codes of a PIN or PUK that is not right.
constexpr const char* kWrongCodes[] = {"+CME ERROR: 16", "+CME ERROR: 12",
                                       "+CME ERROR: incorrect password"};

// The complete lines of text, each handed to line; stops when it returns true.
template <typename Visit>
bool AnyLine(std::string_view text, Visit line) {
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            return false;
        }
        if (line(text.substr(begin, end - begin))) {
            return true;
        }
        begin = end + 1;
    }
}

bool UssdText(std::string_view text) {
    return !text.empty() && text.size() <= ModemEngine::kMaxUssdChars &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F && c != '"'; });
}

}  // namespace

std::optional<std::string> ModemEngine::Converse(std::string_view line, std::uint32_t limitMs) {
    ClearResponse();
    const std::string argument(line);
    if (PostCommand(AtCommandId::Body, CommandForm::Append, argument.c_str(), false) == 0) {
        return std::nullopt;
    }
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        if (DrainInput(&count) == 0) {
            return std::nullopt;
        }
        const std::string_view text(response_, ResponseLength());
        if (AnyLine(text, [](std::string_view l) { return CallLines::EndsBody(l); })) {
            std::string answer(text);
            ClearResponse();
            return answer;
        }
        const std::uint64_t waited = clock_.NowMs() - start;
        if (waited >= limitMs || deviceGone_.load()) {
            ClearResponse();
            return std::nullopt;
        }
        WaitForInput(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(limitMs - waited, kQuietSliceMs)));
    }
}

SimLock::State ModemEngine::QuerySimLock() {
    const auto answer = Converse("AT+CPIN?", kSimLimitMs);
    return answer ? SimLock::StateOf(*answer) : SimLock::State::Unknown;
}

SimLock::Retries ModemEngine::QueryPinRetries() {
    if (const auto answer = Converse("AT+CPINR", kSimLimitMs)) {
        const SimLock::Retries retries = SimLock::RetriesOf(*answer);
        if (retries.pin >= 0 || retries.puk >= 0) {
            return retries;
        }
    }
    const auto answer = Converse("AT+CPINC?", kSimLimitMs);
    return answer ? SimLock::RetriesOf(*answer) : SimLock::Retries{};
}

namespace {

ModemEngine::UnlockResult UnlockResultOf(const std::optional<std::string>& answer) {
    if (!answer) {
        return ModemEngine::UnlockResult::NoAnswer;
    }
    bool ok = false;
    bool wrong = false;
    AnyLine(*answer, [&](std::string_view line) {
        ok = line == "OK";
        // A card without extended errors says only "ERROR" to a wrong code.
        wrong = line == "ERROR" || std::any_of(std::begin(kWrongCodes), std::end(kWrongCodes),
                                               [line](const char* code) { return line == code; });
        return ok || CallLines::EndsBody(line);
    });
    return ok      ? ModemEngine::UnlockResult::Unlocked
           : wrong ? ModemEngine::UnlockResult::Wrong
                   : ModemEngine::UnlockResult::Refused;
}

}  // namespace

ModemEngine::UnlockResult ModemEngine::EnterPin(std::string_view pin) {
    if (!SimLock::ValidPin(pin)) {
        return UnlockResult::Refused;
    }
    return UnlockResultOf(Converse("AT+CPIN=\"" + std::string(pin) + "\"", kUnlockLimitMs));
}

ModemEngine::UnlockResult ModemEngine::EnterPuk(std::string_view puk, std::string_view newPin) {
    if (!SimLock::ValidPuk(puk) || !SimLock::ValidPin(newPin)) {
        return UnlockResult::Refused;
    }
    return UnlockResultOf(Converse(
        "AT+CPIN=\"" + std::string(puk) + "\",\"" + std::string(newPin) + "\"", kUnlockLimitMs));
}

bool ModemEngine::CancelUssd() {
    const auto answer = Converse("AT+CUSD=2", kUssdCommandLimitMs);
    return answer && answer->find("\nOK\r") != std::string::npos;
}

ModemEngine::UssdResult ModemEngine::RunUssd(std::string_view text, std::uint32_t limitMs,
                                             const std::function<bool()>& stop) {
    UssdResult result;
    if (!UssdText(text)) {
        return result;
    }
    ClearResponse();
    const std::string line = "AT+CUSD=1,\"" + std::string(text) + "\",15";
    if (PostCommand(AtCommandId::Body, CommandForm::Append, line.c_str(), false) == 0) {
        return result;
    }
    const std::uint64_t start = clock_.NowMs();
    for (;;) {
        std::uint32_t count = 0;
        if (DrainInput(&count) == 0) {
            break;
        }
        const std::string_view received(response_, ResponseLength());
        // The answer may come before or after the command's "OK"; only the lines ahead
        // of it can be the command's refusal.
        std::optional<UssdAnswer> answer;
        if (UssdAnswer::Find(received, &answer)) {
            ClearResponse();
            if (!answer) {
                result.kind = UssdResult::Kind::Refused;
                CancelUssd();
                return result;
            }
            // Status 2 (the network ended the session) may still carry the answer.
            const bool answered = answer->status <= 1 || !answer->text.empty();
            result.kind = answered ? UssdResult::Kind::Answered : UssdResult::Kind::Refused;
            result.answer = std::move(*answer);
            return result;
        }
        const bool refused = AnyLine(received, [](std::string_view l) {
            return l == "ERROR" || l.starts_with("+CME ERROR:") || l.starts_with("+CMS ERROR:");
        });
        if (refused) {
            ClearResponse();
            result.kind = UssdResult::Kind::Refused;
            return result;
        }
        const std::uint64_t waited = clock_.NowMs() - start;
        if (waited >= limitMs || deviceGone_.load() || (stop && stop())) {
            result.kind = UssdResult::Kind::TimedOut;
            break;
        }
        WaitForInput(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(limitMs - waited, kQuietSliceMs)));
    }
    // The network may still hold the session open: end it, so a later request is
    // not taken for a reply to this one.
    CancelUssd();
    result.kind = UssdResult::Kind::TimedOut;
    return result;
}

}  // namespace veltro
