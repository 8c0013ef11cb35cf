#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"

namespace veltro::cli {

// Parses "[--port NAME] [--demo] COMMAND [ARGUMENTS]" (without the program name), finds
// the command with the most matching words in groups and runs it. Returns the exit
// status: kExitUsage for unknown options or commands and wrong argument counts, after
// the usage text on standard error; --help prints the usage text on standard output.
int RunCommandLine(const std::vector<std::string>& arguments, std::span<const CommandGroup> groups,
                   CliEnvironment environment);

// The usage text listing every command of groups.
std::string UsageText(std::span<const CommandGroup> groups);

}  // namespace veltro::cli
