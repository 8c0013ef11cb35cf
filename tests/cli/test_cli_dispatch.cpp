#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/CliDispatch.h"
#include "cli/CommandHelp.h"
#include "cli/CommandOutput.h"
#include "cli/TerminalText.h"

namespace veltro::cli {
namespace {

using test::ManualClock;

// What the recording commands saw.
struct Seen {
    std::string command;
    std::vector<std::string> arguments;
    CliOptions options;
};
Seen seen;

template <int kId>
int Record(CliContext& context, const std::vector<std::string>& arguments) {
    seen.command = std::to_string(kId);
    seen.arguments = arguments;
    seen.options = context.Options();
    if (kId == 3) {
        return context.Fail("failed");
    }
    if (kId == 4) {
        context.Out() << "connected: no\nsent-bytes: 12\n3 ports\n";
    }
    return kExitSuccess;
}

constexpr CliCommand kRecording[] = {
    {"sms", "", 0, 0, Record<1>},
    {"sms send", "NUMBER TEXT", 2, 2, Record<2>},
    {"fail", "", 0, 0, Record<3>},
    {"list", "[--read]", 0, 1, Record<4>},
};
std::span<const CliCommand> RecordingCommands() {
    return kRecording;
}
constexpr CommandGroup kGroups[] = {RecordingCommands};

struct DispatchCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* command;  // the command that ran, "" for none
};

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatchTest, ChoosesCommandOrRefuses) {
    const DispatchCase& c = GetParam();
    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    seen = Seen{};
    const int status =
        RunCommandLine(c.arguments, kGroups, CliEnvironment{clock, nullptr, out, err});
    EXPECT_EQ(c.status, status);
    EXPECT_EQ(c.command, seen.command);
    if (status == kExitUsage) {
        EXPECT_NE(std::string::npos, err.str().find("usage: veltrogprs-cli"));
        EXPECT_TRUE(out.str().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, DispatchTest,
    ::testing::Values(
        DispatchCase{"oneWord", {"sms"}, kExitSuccess, "1"},
        DispatchCase{"longestMatch", {"sms", "send", "10086", "hi"}, kExitSuccess, "2"},
        DispatchCase{"optionsFirst", {"--port", "ttyUSB0", "sms"}, kExitSuccess, "1"},
        DispatchCase{"commandOption", {"list", "--read"}, kExitSuccess, "4"},
        DispatchCase{"failurePassedOn", {"fail"}, kExitFailure, "3"},
        DispatchCase{"nothing", {}, kExitUsage, ""},
        DispatchCase{"onlyOptions", {"--port", "ttyS0"}, kExitUsage, ""},
        DispatchCase{"unknownCommand", {"reboot"}, kExitUsage, ""},
        DispatchCase{"unknownOption", {"--fast", "sms"}, kExitUsage, ""},
        DispatchCase{"portWithoutName", {"--port"}, kExitUsage, ""},
        DispatchCase{"portEmptyName", {"--port", "", "sms"}, kExitUsage, ""},
        DispatchCase{"tooFewArguments", {"sms", "send", "10086"}, kExitUsage, ""},
        DispatchCase{"tooManyArguments", {"list", "--read", "x"}, kExitUsage, ""},
        DispatchCase{"demoWithPort", {"--demo", "--port", "ttyS0", "sms"}, kExitUsage, ""},
        DispatchCase{"optionAfterCommandIsArgument", {"sms", "--demo"}, kExitUsage, ""},
        DispatchCase{"jsonAfterArguments", {"sms", "send", "1", "x", "--json"}, kExitSuccess, "2"},
        DispatchCase{
            "jsonAfterDashesIsArgument", {"sms", "send", "1", "--", "--json"}, kExitSuccess, "2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DispatchOptionsTest, PortReachesTheCommand) {
    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    seen = Seen{};
    ASSERT_EQ(kExitSuccess, RunCommandLine({"--port", "pts/4", "sms", "send", "1", "x y"}, kGroups,
                                           CliEnvironment{clock, nullptr, out, err}));
    EXPECT_EQ("pts/4", seen.options.port);
    EXPECT_FALSE(seen.options.demo);
    EXPECT_EQ((std::vector<std::string>{"1", "x y"}), seen.arguments);
}

TEST(DispatchOptionsTest, HelpListsCommandsAndWhatTheyDo) {
    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    const CliEnvironment environment{clock, nullptr, out, err};
    EXPECT_EQ(kExitSuccess, RunCommandLine({"--help"}, kGroups, environment));
    EXPECT_NE(std::string::npos, out.str().find("--json ")) << out.str();
    EXPECT_NE(std::string::npos, out.str().find("commands:\n  sms\n  sms send NUMBER TEXT  "));
    EXPECT_TRUE(err.str().empty());

    // After command words: only the commands they name or begin.
    for (const auto& line : {std::vector<std::string>{"sms", "--help"}, {"--help", "sms"}}) {
        out.str("");
        seen = Seen{};
        EXPECT_EQ(kExitSuccess, RunCommandLine(line, kGroups, environment));
        EXPECT_NE(std::string::npos, out.str().find("  sms\n  sms send NUMBER TEXT  "));
        EXPECT_EQ(std::string::npos, out.str().find("list")) << out.str();
        EXPECT_TRUE(seen.command.empty()) << "--help runs no command";
    }
    EXPECT_EQ(kExitUsage, RunCommandLine({"reboot", "--help"}, kGroups, environment));
    for (const CommandGroup group :
         {StatusCommands, SmsCommands, CallCommands, DialupCommands, DeviceCommands, DoctorCommands,
          ContactsCommands, SimCommands}) {
        for (const CliCommand& command : group()) {
            EXPECT_NE(nullptr, CommandHelp::Summary(command.name))
                << command.name << " has no line";
        }
    }

    out.str("");
    EXPECT_EQ(kExitSuccess, RunCommandLine({"--version", "sms"}, kGroups, environment));
    EXPECT_EQ(std::string("veltrogprs-cli ") + VELTRO_VERSION + "\n", out.str());
    EXPECT_TRUE(seen.command.empty()) << "--version runs no command";
}

// With --json, each failure is one JSON object on standard output with the exit status.
TEST(DispatchOptionsTest, JsonErrorsCarryTheExitStatus) {
    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    const CliEnvironment environment{clock, nullptr, out, err};
    EXPECT_EQ(kExitUsage, RunCommandLine({"--json", "reboot"}, kGroups, environment));
    EXPECT_EQ(nlohmann::json({{"error", "unknown command reboot"}, {"code", kExitUsage}}),
              nlohmann::json::parse(out.str()));

    out.str("");
    EXPECT_EQ(kExitFailure, RunCommandLine({"fail", "--json"}, kGroups, environment));
    EXPECT_EQ(nlohmann::json({{"error", "failed"}, {"code", kExitFailure}}),
              nlohmann::json::parse(out.str()));

    // A command that prints its own "key: value" lines still gives one object.
    out.str("");
    EXPECT_EQ(kExitSuccess, RunCommandLine({"--json", "list"}, kGroups, environment));
    EXPECT_EQ(nlohmann::json({{"connected", "no"}, {"sent_bytes", 12}, {"lines", {"3 ports"}}}),
              nlohmann::json::parse(out.str()));
}

// Text from the card or the files reaches a terminal with its control characters
// escaped, also bytes that are not UTF-8 and the C1 controls written as UTF-8.
TEST(TerminalTextTest, ControlCharactersAreEscaped) {
    EXPECT_EQ("你好 plain", TerminalText::Escape("你好 plain"));
    EXPECT_EQ("\\x1B[2J\\x1B]0;owned\\x07", TerminalText::Escape("\x1B[2J\x1B]0;owned\a"));
    EXPECT_EQ("a\\nb\\tc\\rd\\x7F", TerminalText::Escape("a\nb\tc\rd\x7F"));
    EXPECT_EQ("\\u009B31m", TerminalText::Escape("\xC2\x9B"
                                                 "31m"));
    EXPECT_EQ("\\x9B\\xE4\\xBD", TerminalText::Escape("\x9B\xE4\xBD"));
    EXPECT_EQ("\\xC0\\x80", TerminalText::Escape("\xC0\x80")) << "an overlong NUL";

    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    CommandOutput plain(out, err, false);
    plain.Field("number", "\x1B]2;x\x07");
    plain.Fail("bad \x1B[31m", kExitFailure);
    EXPECT_EQ("number: \\x1B]2;x\\x07\n", out.str());
    EXPECT_EQ("veltrogprs-cli: bad \\x1B[31m\n", err.str());
    out.str("");
    CommandOutput json(out, err, true);
    json.Field("number", "\x1B\xFF");
    json.Finish();
    EXPECT_EQ("{\"number\":\"\\u001b\xEF\xBF\xBD\"}\n", out.str()) << "no throw on bad UTF-8";
}

}  // namespace
}  // namespace veltro::cli
