#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "cli/CommandOutput.h"
#include "modem/Clock.h"
#include "modem/ModemEngine.h"
#include "modem/SerialLine.h"

namespace veltro::vcard {
class DemoCard;
}

namespace veltro::cli {

// The options that come before the command.
struct CliOptions {
    std::string port;       // --port NAME: probe only this port
    bool demo = false;      // --demo: run against the virtual data card in this process
    bool json = false;      // --json: one JSON object instead of lines
    bool dataHome = false;  // --data-home: the data files of the window's menu entry
};

// Where a command run gets its clock, its serial lines and its output.
struct CliEnvironment {
    Clock& clock;
    SerialLineFactory lineFactory;
    std::ostream& out;
    std::ostream& err;
};

// What every command works with: the options, one modem engine, discovery and
// initialisation with the retries of the program's start-up, and the virtual card of
// --demo.
class CliContext {
public:
    // The modem device name discovery looks for in the modem device class.
    static constexpr const char* kModemDeviceName = "VeltroGSM无线调制解调器";
    static constexpr int kFindAttempts = 4;
    static constexpr std::uint32_t kFindPauseMs = 300;
    static constexpr int kInitializeAttempts = 6;

    CliContext(CliOptions options, CliEnvironment environment);
    ~CliContext();

    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    const CliOptions& Options() const { return options_; }
    // Where the command's results go, plain or JSON.
    CommandOutput& Output() { return output_; }
    // The stream of commands that print their own lines (CommandOutput::Plain).
    std::ostream& Out() { return output_.Plain(); }
    Clock& GetClock() { return environment_.clock; }

    // Starts the virtual data card when --demo asks for it. False after Fail.
    bool Prepare();
    // The card of --demo, or nullptr.
    vcard::DemoCard* Demo() { return demo_.get(); }

    // The engine, created on first use.
    ModemEngine& Engine();

    // Finds the modem's port and rate: only the --port port when given, else through
    // the modem device class (or the port scan when selected). False after Fail.
    bool Find();
    // Find, then on the port found the short check of a card set up before
    // (ModemEngine::ReopenInitialized), else Initialize. False after Fail.
    bool Open();
    // The port Find found.
    const char* PortName() const { return portName_; }

    // Reports the failure through Output (one line on standard error, or the JSON
    // error object); kExitFailure.
    int Fail(const std::string& reason);

private:
    CliOptions options_;
    CliEnvironment environment_;
    CommandOutput output_;
    std::unique_ptr<vcard::DemoCard> demo_;
    std::unique_ptr<ModemEngine> engine_;
    char portName_[ModemEngine::kPortNameSize] = {};
};

}  // namespace veltro::cli
