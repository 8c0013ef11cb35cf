#include "cli/CliDispatch.h"

#include <cstddef>
#include <ostream>
#include <sstream>

namespace veltro::cli {

namespace {

// The number of leading words of arguments (from first) that spell the command's
// name, or 0 when they do not.
std::size_t MatchWords(const CliCommand& command, const std::vector<std::string>& arguments,
                       std::size_t first) {
    std::istringstream words(command.name);
    std::string word;
    std::size_t count = 0;
    while (words >> word) {
        if (first + count >= arguments.size() || arguments[first + count] != word) {
            return 0;
        }
        ++count;
    }
    return count;
}

int UsageError(std::ostream& err, const std::string& problem,
               std::span<const CommandGroup> groups) {
    err << "veltrogprs-cli: " << problem << '\n' << UsageText(groups);
    err.flush();
    return kExitUsage;
}

}  // namespace

std::string UsageText(std::span<const CommandGroup> groups) {
    std::string text =
        "usage: veltrogprs-cli [--port NAME] [--demo] COMMAND\n"
        "       veltrogprs-cli --help | --version\n"
        "commands:\n";
    for (const CommandGroup group : groups) {
        for (const CliCommand& command : group()) {
            text += "  ";
            text += command.name;
            if (command.arguments[0] != '\0') {
                text += ' ';
                text += command.arguments;
            }
            text += '\n';
        }
    }
    return text;
}

int RunCommandLine(const std::vector<std::string>& arguments, std::span<const CommandGroup> groups,
                   CliEnvironment environment) {
    CliOptions options;
    std::size_t next = 0;
    for (; next < arguments.size(); ++next) {
        const std::string& argument = arguments[next];
        if (argument == "--help" || argument == "-h") {
            environment.out << UsageText(groups);
            return kExitSuccess;
        }
        if (argument == "--version") {
            environment.out << "veltrogprs-cli " << VELTRO_VERSION << '\n';
            return kExitSuccess;
        }
        if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--port") {
            if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
                return UsageError(environment.err, "--port needs a port name", groups);
            }
            options.port = arguments[++next];
        } else if (argument.rfind("-", 0) == 0) {
            return UsageError(environment.err, "unknown option " + argument, groups);
        } else {
            break;
        }
    }
    if (next >= arguments.size()) {
        return UsageError(environment.err, "no command given", groups);
    }
    if (options.demo && !options.port.empty()) {
        return UsageError(environment.err, "--demo and --port exclude each other", groups);
    }
    const CliCommand* chosen = nullptr;
    std::size_t chosenWords = 0;
    for (const CommandGroup group : groups) {
        for (const CliCommand& command : group()) {
            const std::size_t words = MatchWords(command, arguments, next);
            if (words > chosenWords) {
                chosen = &command;
                chosenWords = words;
            }
        }
    }
    if (chosen == nullptr) {
        return UsageError(environment.err, "unknown command " + arguments[next], groups);
    }
    const std::vector<std::string> rest(arguments.begin() + static_cast<long>(next + chosenWords),
                                        arguments.end());
    const auto count = static_cast<int>(rest.size());
    if (count < chosen->minArguments || count > chosen->maxArguments) {
        return UsageError(environment.err,
                          std::string("wrong number of arguments for ") + chosen->name, groups);
    }
    std::ostream& err = environment.err;
    CliContext context(std::move(options), std::move(environment));
    if (!context.Prepare()) {
        return kExitFailure;
    }
    const int status = chosen->run(context, rest);
    err.flush();
    return status;
}

}  // namespace veltro::cli
