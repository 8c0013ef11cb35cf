#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace {

// Every command group of the tool; each lives in its own file.
constexpr veltro::cli::CommandGroup kGroups[] = {
    veltro::cli::StatusCommands,   veltro::cli::SmsCommands,    veltro::cli::CallCommands,
    veltro::cli::DialupCommands,   veltro::cli::DeviceCommands, veltro::cli::DoctorCommands,
    veltro::cli::ContactsCommands, veltro::cli::SimCommands,    veltro::cli::UsageCommands,
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    veltro::Clock& clock = veltro::SystemClock::Instance();
    return veltro::cli::RunCommandLine(
        arguments, kGroups,
        veltro::cli::CliEnvironment{clock, veltro::SerialPort::Factory(clock), std::cout,
                                    std::cerr});
}
