#include <string>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/SecretInput.h"

namespace veltro::cli {

namespace {

const char* StateName(SimLock::State state) {
    switch (state) {
        case SimLock::State::Ready:
            return "ready";
        case SimLock::State::Pin:
            return "pin";
        case SimLock::State::Puk:
            return "puk";
        case SimLock::State::Other:
            return "other-lock";
        case SimLock::State::Unknown:
            break;
    }
    return "unknown";
}

std::string TriesLeft(int tries) {
    return tries >= 0 ? " (" + std::to_string(tries) + " tries left)" : std::string();
}

// Finds the card and opens its port without the SMS set-up, which a locked SIM
// refuses.
bool OpenForSim(CliContext& context) {
    if (!context.Find()) {
        return false;
    }
    if (!context.Engine().OpenPort(context.PortName())) {
        const PortOpenError& error = context.Engine().LastOpenError();
        context.Fail(error ? error.Describe()
                           : std::string("cannot open the port ") + context.PortName());
        return false;
    }
    return true;
}

// Asks for the PIN (or the PUK and a new PIN) and enters it; prints the SIM's state.
int RunPin(CliContext& context, const std::vector<std::string>&) {
    if (!OpenForSim(context)) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    const SimLock::State state = engine.QuerySimLock();
    CommandOutput& output = context.Output();
    if (state != SimLock::State::Pin && state != SimLock::State::Puk) {
        output.Field("sim", StateName(state));
        return state == SimLock::State::Ready ? kExitSuccess
                                              : context.Fail("the SIM asks for no PIN or PUK");
    }
    const SimLock::Retries retries = engine.QueryPinRetries();
    ModemEngine::UnlockResult result = ModemEngine::UnlockResult::Refused;
    if (state == SimLock::State::Pin) {
        const auto pin = SecretInput::Read("SIM PIN" + TriesLeft(retries.pin) + ": ");
        if (!pin || !SimLock::ValidPin(*pin)) {
            return context.Fail("a PIN is 4 to 8 digits");
        }
        if (retries.pin == 1) {
            output.Note("this is the last try: a wrong PIN blocks the SIM until its PUK");
        }
        result = engine.EnterPin(*pin);
    } else {
        const auto puk = SecretInput::Read("SIM PUK" + TriesLeft(retries.puk) + ": ");
        if (!puk || !SimLock::ValidPuk(*puk)) {
            return context.Fail("a PUK is 8 digits");
        }
        const auto pin = SecretInput::Read("new SIM PIN: ");
        if (!pin || !SimLock::ValidPin(*pin)) {
            return context.Fail("a PIN is 4 to 8 digits");
        }
        result = engine.EnterPuk(*puk, *pin);
    }
    switch (result) {
        case ModemEngine::UnlockResult::Unlocked:
            output.Field("sim", "ready");
            return kExitSuccess;
        case ModemEngine::UnlockResult::Wrong: {
            const SimLock::Retries left = engine.QueryPinRetries();
            const SimLock::State now = engine.QuerySimLock();
            return context.Fail(
                std::string(state == SimLock::State::Pin ? "wrong PIN" : "wrong PUK") +
                TriesLeft(now == SimLock::State::Puk ? left.puk : left.pin) +
                (now == SimLock::State::Puk && state == SimLock::State::Pin
                     ? "; the SIM now asks for its PUK"
                     : ""));
        }
        case ModemEngine::UnlockResult::Refused:
            return context.Fail("the card refused the code");
        case ModemEngine::UnlockResult::NoAnswer:
            break;
    }
    return context.Fail("no answer from the card to AT+CPIN");
}

// Sends a USSD code, then each reply while the network's menu waits for one; prints
// the last answer.
int RunUssd(CliContext& context, const std::vector<std::string>& arguments) {
    if (!OpenForSim(context)) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    if (engine.QuerySimLock() != SimLock::State::Ready) {
        return context.Fail("the SIM is not ready; a locked SIM is unlocked with: pin");
    }
    ModemEngine::UssdResult result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0 && !result.answer.MoreFollows()) {
            break;
        }
        result = engine.RunUssd(arguments[i], ModemEngine::kUssdLimitMs);
        if (result.kind == ModemEngine::UssdResult::Kind::NotSent) {
            return context.Fail("not a USSD string (printable ASCII without quotes, at most " +
                                std::to_string(ModemEngine::kMaxUssdChars) +
                                " characters): " + arguments[i]);
        }
        if (result.kind == ModemEngine::UssdResult::Kind::TimedOut) {
            return context.Fail("no answer from the network; the USSD session was ended");
        }
        if (result.kind == ModemEngine::UssdResult::Kind::Refused) {
            return context.Fail("the network or the card refused " + arguments[i] +
                                (result.answer.status == 4 ? " (not supported)" : ""));
        }
    }
    // A menu the user does not answer is left, so the network does not wait for it.
    if (result.answer.MoreFollows()) {
        engine.CancelUssd();
    }
    CommandOutput& output = context.Output();
    output.Field("more", result.answer.MoreFollows());
    output.Field("text", result.answer.text);
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"pin", "", 0, 0, RunPin},
    {"ussd", "CODE [REPLY...]", 1, 8, RunUssd},
};

}  // namespace

std::span<const CliCommand> SimCommands() {
    return kCommands;
}

}  // namespace veltro::cli
