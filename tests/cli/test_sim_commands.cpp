#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "CardLine.h"
#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"

namespace veltro::cli {
namespace {

using test::CardLine;
using vcard::UssdReply;

constexpr CommandGroup kGroups[] = {SimCommands, StatusCommands};

// pin and ussd on the virtual card's behaviour in virtual time; the PIN comes through
// standard input, a pipe here as in a script.
class SimCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        options.sim = vcard::SimState::PinLocked;
        options.ussd = {{"*100#", "您的余额为12.50元", UssdReply::Coding::Ucs2, false},
                        {"*102#", "1 Balance\n2 Data", UssdReply::Coding::Gsm7Packed, true},
                        {"*102#>2", "Data \x1b[2Jleft", UssdReply::Coding::Ucs2, false}};
    }

    int Run(const std::vector<std::string>& arguments, const std::string& input = {}) {
        if (!shared) {
            shared = std::make_shared<CardLine::Shared>(options);
        }
        out.str({});
        err.str({});
        int pipeEnds[2];
        EXPECT_EQ(0, ::pipe(pipeEnds));
        EXPECT_EQ(static_cast<ssize_t>(input.size()),
                  ::write(pipeEnds[1], input.data(), input.size()));
        ::close(pipeEnds[1]);
        const int savedInput = ::dup(STDIN_FILENO);
        ::dup2(pipeEnds[0], STDIN_FILENO);
        ::close(pipeEnds[0]);
        std::cin.clear();
        const int status = RunCommandLine(
            arguments, kGroups, CliEnvironment{clock, CardLine::Factory(clock, shared), out, err});
        ::dup2(savedInput, STDIN_FILENO);
        ::close(savedInput);
        std::cin.clear();
        return status;
    }

    vcard::CardOptions options;
    test::ManualClock clock;
    std::shared_ptr<CardLine::Shared> shared;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(SimCommandTest, ALockedSimIsUnlockedThenTheBalanceRead) {
    EXPECT_EQ(kExitFailure, Run({"--port", "pts/9", "ussd", "*100#"}));
    EXPECT_EQ(kExitFailure, Run({"--port", "pts/9", "pin"}, "1111\n"));
    EXPECT_NE(std::string::npos, err.str().find("wrong PIN (2 tries left)")) << err.str();
    EXPECT_EQ(kExitFailure, Run({"--port", "pts/9", "pin"}, "12a4\n"));
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "pin"}, "1234\n"));
    EXPECT_EQ("sim: ready\n", out.str());
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "ussd", "*100#"}));
    EXPECT_EQ("more: 0\ntext: 您的余额为12.50元\n", out.str());
}

TEST_F(SimCommandTest, AMenuIsAnsweredAndItsTextEscaped) {
    options.sim = vcard::SimState::Ready;
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "ussd", "*102#"}));
    EXPECT_EQ("more: 1\ntext: 1 Balance\\n2 Data\n", out.str());
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "ussd", "*102#", "2"}));
    EXPECT_EQ("more: 0\ntext: Data \\x1B[2Jleft\n", out.str());
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "--json", "ussd", "*102#", "2"}));
    EXPECT_EQ("{\"more\":false,\"text\":\"Data \\u001b[2Jleft\"}\n", out.str());
}

TEST_F(SimCommandTest, ThreeWrongPinsThenThePukAndANewPin) {
    for (const char* pin : {"1111\n", "2222\n", "3333\n"}) {
        EXPECT_EQ(kExitFailure, Run({"--port", "pts/9", "pin"}, pin));
    }
    EXPECT_NE(std::string::npos, err.str().find("the SIM now asks for its PUK")) << err.str();
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "pin"}, "12345678\n4321\n"));
    EXPECT_EQ("sim: ready\n", out.str());
}

TEST_F(SimCommandTest, AGenericCardAnswersStatusWithStandardCommands) {
    options.sim = vcard::SimState::Ready;
    options.generic = true;
    options.manufacturer = "Standard GSM Modem";
    options.signal = 17;
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "status"}));
    EXPECT_EQ("sim: ready\ngprs: 1\nsignal: 17\n", out.str());
}

}  // namespace
}  // namespace veltro::cli
