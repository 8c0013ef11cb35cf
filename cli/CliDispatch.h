#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"

namespace veltro::cli {

// Parses "[--port NAME] [--demo] [--data-home] COMMAND [ARGUMENTS]" (without the
// program name), finds the command with the most matching words in groups and runs it.
// --json, --data-home and --help may also stand after the command; a "--" ends the
// search for them, so that a text argument can be "--json". Returns the exit status:
// kExitUsage for unknown options or commands and wrong argument counts, after the usage
// lines on standard error (and with --json the error object on standard output). --help
// prints the usage text, or after command words the lines of the commands they name,
// on standard output.
int RunCommandLine(const std::vector<std::string>& arguments, std::span<const CommandGroup> groups,
                   CliEnvironment environment);

// The usage text: the options and every command of groups with what it does.
std::string UsageText(std::span<const CommandGroup> groups);

}  // namespace veltro::cli
