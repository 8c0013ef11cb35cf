#include "cli/CliCommand.h"
#include "cli/CliContext.h"

namespace veltro::cli {

namespace {

constexpr int kSimAttempts = 5;
constexpr int kPacketRounds = 3;
constexpr int kRegistered = 1;

// Prints the port and the rate the modem answered the probe at.
int RunFind(CliContext& context, const std::vector<std::string>&) {
    if (!context.Find()) {
        return kExitFailure;
    }
    CommandOutput& output = context.Output();
    output.Field("port", context.PortName());
    output.Field("baud", context.Engine().BaudRate());
    return kExitSuccess;
}

// Initialises the modem, then prints the SIM state, the packet registration and the
// signal value with the retries of the program's start-up.
int RunStatus(CliContext& context, const std::vector<std::string>&) {
    if (!context.Open()) {
        return kExitFailure;
    }
    ModemEngine& engine = context.Engine();
    bool simReady = false;
    for (int attempt = 0; attempt < kSimAttempts && !simReady; ++attempt) {
        simReady = engine.CheckSimReady();
    }
    CommandOutput& output = context.Output();
    output.Field("sim", simReady ? "ready" : "not-ready");

    bool registrationRead = false;
    int registration = 0;
    for (int round = 0; round < kPacketRounds && registration != kRegistered; ++round) {
        engine.AttachPacketService();
        int status = 0;
        if (engine.GetPacketRegistration(&status)) {
            registrationRead = true;
            registration = status;
        }
    }
    if (!registrationRead) {
        return context.Fail("no packet registration status in the answer to AT+CGREG?");
    }
    output.Field("gprs", registration);

    int signal = 0;
    if (!engine.ReadSignalQuality(&signal)) {
        return context.Fail("no signal value in the answer to AT+CSQ");
    }
    output.Field("signal", signal);
    return kExitSuccess;
}

constexpr CliCommand kCommands[] = {
    {"find", "", 0, 0, RunFind},
    {"status", "", 0, 0, RunStatus},
};

}  // namespace

std::span<const CliCommand> StatusCommands() {
    return kCommands;
}

}  // namespace veltro::cli
