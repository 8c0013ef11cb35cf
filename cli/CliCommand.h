#pragma once

#include <span>
#include <string>
#include <vector>

namespace veltro::cli {

class CliContext;

// Exit statuses of veltrogprs-cli.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // the operation failed; one line on standard error says why
constexpr int kExitUsage = 2;

// One command: its words ("status", "sms send"), what follows them for the usage text,
// how many arguments it takes, and what runs it. run gets the arguments after the words
// and returns an exit status.
struct CliCommand {
    const char* name;
    const char* arguments;
    int minArguments;
    int maxArguments;
    int (*run)(CliContext& context, const std::vector<std::string>& arguments);
};

// A group of commands, each in its own file.
using CommandGroup = std::span<const CliCommand> (*)();

// find, status.
std::span<const CliCommand> StatusCommands();
// sms send, sms list, sms read, sms delete, sms export.
std::span<const CliCommand> SmsCommands();
// call dial, call answer, call hangup, call tone, watch.
std::span<const CliCommand> CallCommands();
// connect, disconnect, dialup status, dialup entry.
std::span<const CliCommand> DialupCommands();
// device list, device pin, device add, device remove.
std::span<const CliCommand> DeviceCommands();
// doctor.
std::span<const CliCommand> DoctorCommands();
// contacts list, contacts add, contacts remove, contacts import, contacts export.
std::span<const CliCommand> ContactsCommands();
// pin, ussd.
std::span<const CliCommand> SimCommands();
// usage, usage cap.
std::span<const CliCommand> UsageCommands();

}  // namespace veltro::cli
