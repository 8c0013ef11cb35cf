#include <csignal>
#include <cstdlib>
#include <ostream>

#include "cli/CallWatcher.h"
#include "cli/CliCommand.h"
#include "cli/CliContext.h"

namespace veltro::cli {

namespace {

constexpr std::uint32_t kWatchSliceMs = 50;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

int RunDial(CliContext& context, const std::vector<std::string>& arguments) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().Dial(arguments[0])) {
        return context.Fail("the dial command for " + arguments[0] + " was not written");
    }
    context.Out() << "dialling\n";
    return kExitSuccess;
}

int RunAnswer(CliContext& context, const std::vector<std::string>&) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().Answer()) {
        return context.Fail("no OK to ATA");
    }
    return kExitSuccess;
}

int RunHangUp(CliContext& context, const std::vector<std::string>&) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().HangUp()) {
        return context.Fail("no OK to ATH0");
    }
    return kExitSuccess;
}

int RunTone(CliContext& context, const std::vector<std::string>& arguments) {
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    if (!context.Engine().SendTone(arguments[0])) {
        return context.Fail("not a keypad key: " + arguments[0] + " (0-9, *, #, A-D)");
    }
    return kExitSuccess;
}

// Prints call events until interrupted, or for SECONDS when given.
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
    ModemClaim claim(context.Engine().Gate(), ModemGate::Wait::Blocking);
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    engine.ClearResponse();
    Clock& clock = context.GetClock();
    interrupted = 0;
    const auto previous = std::signal(SIGINT, OnInterrupt);
    CallWatcher watcher(engine, context.Out());
    const std::uint64_t start = clock.NowMs();
    while (interrupted == 0 && (limitMs == 0 || clock.NowMs() - start < limitMs)) {
        watcher.Poll();
        for (std::uint32_t slept = 0; slept < CallWatcher::kPollMs && interrupted == 0;
             slept += kWatchSliceMs) {
            clock.SleepMs(kWatchSliceMs);
        }
    }
    std::signal(SIGINT, previous);
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
