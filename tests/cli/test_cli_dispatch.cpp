#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/CliDispatch.h"

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
    return kId == 3 ? kExitFailure : kExitSuccess;
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
        DispatchCase{"optionAfterCommandIsArgument", {"sms", "--demo"}, kExitUsage, ""}),
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

TEST(DispatchOptionsTest, HelpListsEveryCommand) {
    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(kExitSuccess,
              RunCommandLine({"--help"}, kGroups, CliEnvironment{clock, nullptr, out, err}));
    EXPECT_EQ(
        "usage: veltrogprs-cli [--port NAME] [--demo] COMMAND\n"
        "       veltrogprs-cli --help | --version\n"
        "commands:\n  sms\n"
        "  sms send NUMBER TEXT\n  fail\n  list [--read]\n",
        out.str());
    EXPECT_TRUE(err.str().empty());

    out.str("");
    seen = Seen{};
    EXPECT_EQ(kExitSuccess, RunCommandLine({"--version", "sms"}, kGroups,
                                           CliEnvironment{clock, nullptr, out, err}));
    EXPECT_EQ(std::string("veltrogprs-cli ") + VELTRO_VERSION + "\n", out.str());
    EXPECT_TRUE(seen.command.empty()) << "--version runs no command";
}

}  // namespace
}  // namespace veltro::cli
