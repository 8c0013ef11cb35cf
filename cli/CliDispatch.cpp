#include "cli/CliDispatch.h"

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <sstream>

#include "cli/CommandHelp.h"
#include "cli/CommandOutput.h"
#include "cli/TerminalText.h"

namespace veltro::cli {

namespace {

constexpr const char* kUsageLines =
    "usage: veltrogprs-cli [--port NAME | --demo] [--data-home] [--json] COMMAND [ARGUMENTS]\n"
    "       veltrogprs-cli [COMMAND] --help | --version\n";

std::vector<std::string> Words(const char* name) {
    std::istringstream stream(name);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

// The number of leading words of arguments (from first) that spell the command's
// name, or 0 when they do not.
std::size_t MatchWords(const CliCommand& command, const std::vector<std::string>& arguments,
                       std::size_t first) {
    const std::vector<std::string> words = Words(command.name);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (first + i >= arguments.size() || arguments[first + i] != words[i]) {
            return 0;
        }
    }
    return words.size();
}

// Whether all of arguments from first are the leading words of the command's name.
bool NamesGroupOf(const CliCommand& command, const std::vector<std::string>& arguments,
                  std::size_t first) {
    const std::vector<std::string> words = Words(command.name);
    if (first >= arguments.size() || arguments.size() - first > words.size()) {
        return false;
    }
    return std::equal(arguments.begin() + static_cast<long>(first), arguments.end(), words.begin());
}

std::string Synopsis(const CliCommand& command) {
    std::string text = command.name;
    if (command.arguments[0] != '\0') {
        text += ' ';
        text += command.arguments;
    }
    return text;
}

// "  synopsis   summary" lines of the commands, summaries in one column.
std::string CommandLines(const std::vector<const CliCommand*>& commands) {
    std::size_t width = 0;
    for (const CliCommand* command : commands) {
        width = std::max(width, Synopsis(*command).size());
    }
    std::string text;
    for (const CliCommand* command : commands) {
        const std::string synopsis = Synopsis(*command);
        text += "  " + synopsis;
        if (const char* summary = CommandHelp::Summary(command->name)) {
            text += std::string(width - synopsis.size() + 2, ' ') + summary;
        }
        text += '\n';
    }
    return text;
}

std::vector<const CliCommand*> AllCommands(std::span<const CommandGroup> groups) {
    std::vector<const CliCommand*> commands;
    for (const CommandGroup group : groups) {
        for (const CliCommand& command : group()) {
            commands.push_back(&command);
        }
    }
    return commands;
}

// The command with the most words matching arguments from first, and their count.
std::pair<const CliCommand*, std::size_t> Choose(std::span<const CommandGroup> groups,
                                                 const std::vector<std::string>& arguments,
                                                 std::size_t first) {
    const CliCommand* chosen = nullptr;
    std::size_t chosenWords = 0;
    for (const CliCommand* command : AllCommands(groups)) {
        const std::size_t words = MatchWords(*command, arguments, first);
        if (words > chosenWords) {
            chosen = command;
            chosenWords = words;
        }
    }
    return {chosen, chosenWords};
}

// The problem, the usage lines and, for a command given the wrong arguments, its line;
// with --json also the error object on standard output.
int UsageError(const CliEnvironment& environment, bool json, const std::string& problem,
               const CliCommand* command = nullptr) {
    if (json) {
        CommandOutput::PrintError(environment.out, problem, kExitUsage);
        environment.out.flush();
    }
    environment.err << "veltrogprs-cli: " << TerminalText::Escape(problem) << '\n' << kUsageLines;
    if (command != nullptr) {
        environment.err << CommandLines({command});
    } else {
        environment.err << "veltrogprs-cli --help lists the options and commands\n";
    }
    environment.err.flush();
    return kExitUsage;
}

// --help after command words: the lines of every command whose name they begin, or
// else of the command they name followed by its arguments.
int PrintCommandHelp(const CliEnvironment& environment, bool json,
                     const std::vector<std::string>& arguments, std::size_t first,
                     std::span<const CommandGroup> groups) {
    std::vector<const CliCommand*> named;
    for (const CliCommand* command : AllCommands(groups)) {
        if (NamesGroupOf(*command, arguments, first)) {
            named.push_back(command);
        }
    }
    if (const auto [chosen, words] = Choose(groups, arguments, first);
        named.empty() && chosen != nullptr) {
        named.push_back(chosen);
    }
    if (named.empty()) {
        return UsageError(environment, json, "unknown command " + arguments[first]);
    }
    environment.out << kUsageLines << CommandLines(named);
    return kExitSuccess;
}

}  // namespace

std::string UsageText(std::span<const CommandGroup> groups) {
    return std::string(kUsageLines) + "options:\n" + CommandHelp::Options() + "commands:\n" +
           CommandLines(AllCommands(groups));
}

int RunCommandLine(const std::vector<std::string>& given, std::span<const CommandGroup> groups,
                   CliEnvironment environment) {
    // --json, --data-home and --help are taken wherever they stand, up to a "--".
    CliOptions options;
    bool help = false;
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (const std::string& argument : given) {
        if (optionsEnded) {
            arguments.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--data-home") {
            options.dataHome = true;
        } else if (argument == "--help" || argument == "-h") {
            help = true;
        } else {
            arguments.push_back(argument);
        }
    }
    std::size_t next = 0;
    for (; next < arguments.size(); ++next) {
        const std::string& argument = arguments[next];
        if (argument == "--version") {
            environment.out << "veltrogprs-cli " << VELTRO_VERSION << '\n';
            return kExitSuccess;
        }
        if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--port") {
            if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
                return UsageError(environment, options.json, "--port needs a port name");
            }
            options.port = arguments[++next];
        } else if (argument.rfind("-", 0) == 0 && !help) {
            return UsageError(environment, options.json, "unknown option " + argument);
        } else {
            break;
        }
    }
    if (help) {
        if (next >= arguments.size()) {
            environment.out << UsageText(groups);
            return kExitSuccess;
        }
        return PrintCommandHelp(environment, options.json, arguments, next, groups);
    }
    if (next >= arguments.size()) {
        return UsageError(environment, options.json, "no command given");
    }
    if (options.demo && !options.port.empty()) {
        return UsageError(environment, options.json, "--demo and --port exclude each other");
    }
    const auto [chosen, chosenWords] = Choose(groups, arguments, next);
    if (chosen == nullptr) {
        return UsageError(environment, options.json, "unknown command " + arguments[next]);
    }
    const std::vector<std::string> rest(arguments.begin() + static_cast<long>(next + chosenWords),
                                        arguments.end());
    const auto count = static_cast<int>(rest.size());
    if (count < chosen->minArguments || count > chosen->maxArguments) {
        return UsageError(environment, options.json,
                          std::string("wrong number of arguments for ") + chosen->name, chosen);
    }
    CliContext context(std::move(options), std::move(environment));
    if (!context.Prepare()) {
        return kExitFailure;
    }
    const int status = chosen->run(context, rest);
    context.Output().Finish();
    return status;
}

}  // namespace veltro::cli
