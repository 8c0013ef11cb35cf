#include <csignal>
#include <cstdlib>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/EventWatcher.h"
#include "modem/PhoneNumber.h"

namespace veltro::cli {

namespace {

constexpr std::uint32_t kWatchSliceMs = 50;
constexpr std::uint32_t kIndicationLimitMs = 2000;
// New messages announced with "+CMTI: " while watch runs; initialisation leaves them
// unannounced ("0,1,0,0,0"), and watch puts that back when it ends.
constexpr const char* kAnnounceMessages = "2,1,0,0,0";

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

int RunDial(CliContext& context, const std::vector<std::string>& arguments) {
    const std::string number = PhoneNumber::Clean(arguments[0]);
    if (const std::optional<std::string> refused = PhoneNumber::RefusedForDial(number)) {
        return context.Fail("cannot dial " + arguments[0] + ": \"" + *refused +
                            "\" could change the dial command (digits, + * # and A-D only)");
    }
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().Dial(number)) {
        return context.Fail("the dial command for " + number + " was not written");
    }
    context.Output().Line("dialling");
    context.Output().Object()["dialling"] = number;
    return kExitSuccess;
}

int RunAnswer(CliContext& context, const std::vector<std::string>&) {
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().Answer()) {
        return context.Fail("no OK to ATA");
    }
    context.Output().Object()["answered"] = true;
    return kExitSuccess;
}

int RunHangUp(CliContext& context, const std::vector<std::string>&) {
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().HangUp()) {
        return context.Fail("no OK to ATH0");
    }
    context.Output().Object()["hung_up"] = true;
    return kExitSuccess;
}

int RunTone(CliContext& context, const std::vector<std::string>& arguments) {
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().SendTone(arguments[0])) {
        return context.Fail("not a keypad key: " + arguments[0] + " (0-9, *, #, A-D)");
    }
    context.Output().Object()["tone"] = arguments[0];
    return kExitSuccess;
}

// Prints call and message events until interrupted (SIGINT, SIGTERM), or for SECONDS
// when given.
int RunWatch(CliContext& context, const std::vector<std::string>& arguments) {
    std::uint64_t limitMs = 0;
    if (!arguments.empty()) {
        char* end = nullptr;
        const unsigned long seconds = std::strtoul(arguments[0].c_str(), &end, 10);
        if (arguments[0].empty() || *end != '\0' || seconds == 0 || seconds > 86400) {
            return context.Fail("SECONDS must be 1 to 86400: " + arguments[0]);
        }
        limitMs = seconds * 1000;
    }
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    const bool announced = engine.RunExchange(
        {AtCommandId::Cnmi, CommandForm::Assign, kAnnounceMessages, SendMode::Settle,
         ResultCodeId::Ok, kIndicationLimitMs, ClearMode::Always});
    if (!announced) {
        context.Output().Note(std::string("new messages are not reported: no OK to AT+CNMI=") +
                              kAnnounceMessages);
    }
    engine.ClearResponse();
    Clock& clock = context.GetClock();
    interrupted = 0;
    const auto previousInterrupt = std::signal(SIGINT, OnInterrupt);
    const auto previousTerminate = std::signal(SIGTERM, OnInterrupt);
    context.Output().EventsOnly();
    EventWatcher watcher(engine, context.Output());
    const std::uint64_t start = clock.NowMs();
    while (interrupted == 0 && (limitMs == 0 || clock.NowMs() - start < limitMs)) {
        watcher.Poll();
        for (std::uint32_t slept = 0; slept < EventWatcher::kPollMs && interrupted == 0;
             slept += kWatchSliceMs) {
            clock.SleepMs(kWatchSliceMs);
        }
    }
    std::signal(SIGINT, previousInterrupt);
    std::signal(SIGTERM, previousTerminate);
    if (announced && !engine.SetupMessageMode()) {
        context.Output().Note("the card did not take back its message settings");
    }
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"call dial", "NUMBER", 1, 1, RunDial}, {"call answer", "", 0, 0, RunAnswer},
    {"call hangup", "", 0, 0, RunHangUp},   {"call tone", "KEY", 1, 1, RunTone},
    {"watch", "[SECONDS]", 0, 1, RunWatch},
};

}  // namespace

std::span<const CliCommand> CallCommands() {
    return kCommands;
}

}  // namespace veltro::cli
