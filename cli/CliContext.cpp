#include "cli/CliContext.h"

#include <cstring>
#include <ostream>
#include <utility>

#include "cli/CliCommand.h"
#include "vcard/DemoCard.h"

namespace veltro::cli {

CliContext::CliContext(CliOptions options, CliEnvironment environment)
    : options_(std::move(options)),
      environment_(std::move(environment)),
      output_(environment_.out, environment_.err, options_.json) {}

CliContext::~CliContext() = default;

bool CliContext::Prepare() {
    if (!options_.demo) {
        return true;
    }
    // The card enters itself in a device table of its own, so discovery finds it
    // through the device class as it finds a real card.
    demo_ = std::make_unique<vcard::DemoCard>();
    if (!demo_->Start()) {
        demo_.reset();
        Fail("--demo: the virtual data card could not be started");
        return false;
    }
    Engine().UsePortScan(false);
    return true;
}

ModemEngine& CliContext::Engine() {
    if (!engine_) {
        engine_ = std::make_unique<ModemEngine>(environment_.clock, environment_.lineFactory);
        engine_->Reset();
    }
    return *engine_;
}

bool CliContext::Find() {
    ModemEngine& engine = Engine();
    if (!options_.port.empty()) {
        if (options_.port.size() >= sizeof(portName_)) {
            Fail("port name longer than 8 characters: " + options_.port);
            return false;
        }
        if (!engine.ProbeNamedPort(options_.port.c_str())) {
            const PortOpenError& error = engine.LastOpenError();
            Fail(error ? error.Describe() : "no modem answered on " + options_.port);
            return false;
        }
        std::memcpy(portName_, options_.port.c_str(), options_.port.size() + 1);
        return true;
    }
    for (int attempt = 0; attempt < kFindAttempts; ++attempt) {
        if (attempt > 0) {
            environment_.clock.SleepMs(kFindPauseMs);
            engine.ClearResponse();
        }
        if (engine.FindModem(kModemDeviceName, portName_)) {
            return true;
        }
    }
    if (const PortOpenError& error = engine.LastOpenError()) {
        Fail(error.Describe());
    } else {
        Fail(engine.UsesPortScan() ? "no modem answered on the scanned ports"
                                   : "no modem device found that answers; check the card and "
                                     "its entry in the modem device table");
    }
    return false;
}

bool CliContext::Open() {
    if (!Find()) {
        return false;
    }
    // The card keeps its set-up until it loses power: a few read-backs replace the
    // full initialisation and its fixed pauses when the last run left it set up.
    if (Engine().ReopenInitialized(portName_)) {
        return true;
    }
    for (int attempt = 0; attempt < kInitializeAttempts; ++attempt) {
        if (Engine().Initialize(portName_)) {
            return true;
        }
    }
    const PortOpenError& error = Engine().LastOpenError();
    Fail(error ? error.Describe() : std::string("modem initialisation failed on ") + portName_);
    return false;
}

int CliContext::Fail(const std::string& reason) {
    return output_.Fail(reason, kExitFailure);
}

}  // namespace veltro::cli
