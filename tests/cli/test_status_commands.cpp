#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "CardRules.h"
#include "ManualClock.h"
#include "ScriptedLine.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"

namespace veltro::cli {
namespace {

using test::ManualClock;
using test::ScriptedLine;
using Rule = ScriptedLine::Rule;

const std::string kOk = "\r\nOK\r\n";
constexpr CommandGroup kGroups[] = {StatusCommands};

// find and status on a scripted card in virtual time.
class StatusCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VELTROGPRS_PORT_SCAN");
        tablePath = ::testing::TempDir() + "cli-modems-" + std::to_string(::getpid()) + ".ini";
        ::setenv("VELTROGPRS_MODEMS", tablePath.c_str(), 1);
        card->modemRate = 115200;
        // Each test chooses the registration status.
        card->rules = test::CardRules("WAVECOM MODEM", 1, 17);
        test::IgnoreCommand(card->rules, "AT+CGREG?");
    }
    void TearDown() override {
        ::unsetenv("VELTROGPRS_MODEMS");
        std::remove(tablePath.c_str());
    }

    void Registration(int status) {
        card->rules.push_back(
            {"AT+CGREG?", "\r\n+CGREG: 0," + std::to_string(status) + "\r\n" + kOk});
    }
    void Replace(const std::string& command, const std::string& answer) {
        test::IgnoreCommand(card->rules, command);
        if (!answer.empty()) {
            card->rules.push_back({command, answer});
        }
    }

    int Run(const std::vector<std::string>& arguments) {
        return RunCommandLine(arguments, kGroups,
                              CliEnvironment{clock, ScriptedLine::Factory(clock, card), out, err});
    }
    int Count(const std::string& line) const {
        return static_cast<int>(std::count(card->lines.begin(), card->lines.end(), line));
    }

    ManualClock clock;
    std::shared_ptr<ScriptedLine::Shared> card = std::make_shared<ScriptedLine::Shared>();
    std::ostringstream out;
    std::ostringstream err;
    std::string tablePath;
};

TEST_F(StatusCommandTest, StatusOfARegisteredCard) {
    Registration(1);
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "status"}));
    EXPECT_EQ("sim: ready\ngprs: 1\nsignal: 17\n", out.str());
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(1, Count("AT+CGATT=1"));
}

TEST_F(StatusCommandTest, RoamingIsReportedAfterThreeRounds) {
    Registration(5);
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "status"}));
    EXPECT_EQ("sim: ready\ngprs: 5\nsignal: 17\n", out.str());
    EXPECT_EQ(3, Count("AT+CGATT=1"));
    EXPECT_EQ(3, Count("AT+CGREG?"));
}

TEST_F(StatusCommandTest, LockedSimIsNotReady) {
    Registration(0);
    Replace("AT+CPIN?", "\r\n+CPIN: SIM PIN\r\n" + kOk);
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "status"}));
    EXPECT_EQ("sim: not-ready\ngprs: 0\nsignal: 17\n", out.str());
    EXPECT_EQ(5, Count("AT+CPIN?"));
}

struct FailureCase {
    const char* name;
    const char* command;  // the command the card stops answering
    const char* printed;  // what reached standard output before the failure
};

class StatusFailureTest : public StatusCommandTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StatusFailureTest, FailsWithOneLineReason) {
    const FailureCase& c = GetParam();
    Registration(1);
    Replace(c.command, "");
    EXPECT_EQ(kExitFailure, Run({"--port", "pts/5", "status"}));
    EXPECT_EQ(c.printed, out.str());
    const std::string reason = err.str();
    EXPECT_EQ(0u, reason.find("veltrogprs-cli: "));
    EXPECT_EQ(1, std::count(reason.begin(), reason.end(), '\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StatusFailureTest,
    ::testing::Values(FailureCase{"noProbeAnswer", "AT+CGMI", ""},
                      FailureCase{"noInitialisation", "AT+CLIP=1", ""},
                      FailureCase{"noRegistration", "AT+CGREG?", "sim: ready\n"},
                      FailureCase{"noSignal", "AT+CSQ", "sim: ready\ngprs: 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusCommandTest, FindThroughTheDeviceTableReportsTheProbedRate) {
    card->modemRate = 9600;
    Replace("AT+CGMI", "\r\nBenQ\r\n" + kOk);
    std::ofstream(tablePath) << "[0002]\nFriendlyName=VeltroGSM无线调制解调器\nAttachedTo=pts/9\n";
    EXPECT_EQ(kExitSuccess, Run({"find"}));
    EXPECT_EQ("port: pts/9\nbaud: 9600\n", out.str());
}

TEST_F(StatusCommandTest, FindRetriesThenFails) {
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(kExitFailure, Run({"find"}));
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(0u, err.str().find("veltrogprs-cli: "));
    // Four attempts with 300 ms between them; nothing to probe without a device table.
    EXPECT_EQ(900u, clock.NowMs() - start);
}

TEST_F(StatusCommandTest, PortOptionAcceptsEitherManufacturer) {
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "find"}));
    EXPECT_EQ("port: pts/5\nbaud: 115200\n", out.str());
}

// With --json the object holds the values; a failure half-way prints only the error.
TEST_F(StatusCommandTest, JsonOutputOfStatusAndFind) {
    Registration(1);
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "--json", "status"}));
    EXPECT_EQ(nlohmann::json::parse(R"({"sim":"ready","gprs":1,"signal":17})"),
              nlohmann::json::parse(out.str()));
    out.str("");
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/5", "find", "--json"}));
    EXPECT_EQ(nlohmann::json::parse(R"({"port":"pts/5","baud":115200})"),
              nlohmann::json::parse(out.str()));
    out.str("");
    Replace("AT+CSQ", "");
    EXPECT_EQ(kExitFailure, Run({"--port", "pts/5", "--json", "status"}));
    EXPECT_EQ(
        nlohmann::json::parse(R"({"error":"no signal value in the answer to AT+CSQ","code":1})"),
        nlohmann::json::parse(out.str()));
    EXPECT_TRUE(err.str().empty());
}

TEST_F(StatusCommandTest, OverlongPortNameFails) {
    EXPECT_EQ(kExitFailure, Run({"--port", "ttyUSB12345", "find"}));
    EXPECT_TRUE(card->lines.empty());
}

}  // namespace
}  // namespace veltro::cli
