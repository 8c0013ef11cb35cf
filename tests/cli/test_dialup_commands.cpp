#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../dialup/DialupTestPlatform.h"
#include "ManualClock.h"
#include "ScriptedLine.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "dialup/DialupConnection.h"

namespace veltro::cli {
namespace {

using test::ManualClock;
using test::ScriptedLine;

constexpr CommandGroup kGroups[] = {DialupCommands};

// The dial-up commands on a fake dial service in virtual time.
class DialupCommandTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return RunCommandLine(arguments, kGroups,
                              CliEnvironment{clock, ScriptedLine::Factory(clock, lines), out, err});
    }

    ManualClock clock;
    std::shared_ptr<ScriptedLine::Shared> lines = std::make_shared<ScriptedLine::Shared>();
    test::TestPlatform platform;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(DialupCommandTest, ConnectPrintsEachNewStateUntilConnected) {
    platform.fake.stateScript = {kStateOpenPort,        kStateOpenPort,        kStatePortOpened,
                                 kStateDeviceConnected, kStateDeviceConnected, kStateAuthenticate,
                                 kStateConnected};
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(kExitSuccess, Run({"connect"})) << err.str();
    EXPECT_EQ(
        "正在打开通讯端口...\n通讯端口打开成功.\n设备连接成功.\n正在校验用户名和密码...\n"
        "联接远端服务器成功.\n",
        out.str());
    EXPECT_EQ(600u, clock.NowMs() - start);
    ASSERT_EQ(1u, platform.fake.dials.size());
    EXPECT_EQ("*99***1#", platform.fake.dials[0].phoneNumber);
    EXPECT_EQ("", platform.fake.dials[0].userName);
    // The entry was made on the way.
    DialupEntry entry;
    EXPECT_EQ(0, DialupConnection().GetEntryProperties("VLGPRS", entry, ""));
}

TEST_F(DialupCommandTest, ConnectFailsWhenTheDialEnds) {
    platform.fake.stateScript = {kStateOpenPort, kStatePortOpened, kStateDisconnected};
    platform.fake.statuses[41].error = 679;
    EXPECT_EQ(kExitFailure, Run({"connect"}));
    EXPECT_EQ("正在打开通讯端口...\n通讯端口打开成功.\n已断开.\n", out.str());
    EXPECT_EQ("veltrogprs-cli: the dial ended without a connection (error 679)\n", err.str());
    EXPECT_TRUE(platform.fake.hangUps.empty());
}

TEST_F(DialupCommandTest, ConnectGivesUpAfterThirtySecondsAndHangsUp) {
    platform.fake.stateScript = {kStateConnectDevice};
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(kExitFailure, Run({"connect"}));
    EXPECT_GT(clock.NowMs() - start, 30000u);
    EXPECT_LE(clock.NowMs() - start, 30100u);
    EXPECT_EQ((std::vector<ConnectionHandle>{41}), platform.fake.hangUps);
    EXPECT_EQ("正在进行设备连接...\n", out.str());
}

TEST_F(DialupCommandTest, ConnectWithoutTheModemDeviceCannotStart) {
    platform.devices->clear();
    EXPECT_EQ(kExitFailure, Run({"connect"}));
    EXPECT_EQ(
        "veltrogprs-cli: no dial-up device VeltroGSM无线调制解调器 (see the modem device table, "
        "or give --port)\n",
        err.str());
    EXPECT_TRUE(platform.fake.dials.empty());
}

TEST_F(DialupCommandTest, PortOptionDialsThatPort) {
    platform.fake.stateScript = {kStateConnected};
    EXPECT_EQ(kExitSuccess, Run({"--port", "pts/9", "connect"})) << err.str();
    ASSERT_EQ(1u, platform.fake.dials.size());
    EXPECT_EQ("pts/9", platform.fake.dials[0].device.port);
    // The phonebook is still the platform's.
    DialupEntry entry;
    EXPECT_EQ(0, DialupConnection().GetEntryProperties("VLGPRS", entry, ""));
}

TEST_F(DialupCommandTest, StatusShowsTheEntrysConnection) {
    EXPECT_EQ(kExitSuccess, Run({"dialup", "status"}));
    EXPECT_EQ("connected: no\nsent: 0\nreceived: 0\n", out.str());
    platform.fake.connections =
        std::vector<ActiveConnection>{{5, "Office", "modem", "x"}, {7, "VLGPRS", "modem", "y"}};
    platform.fake.statistics[7] = {1500, 4000000000u};
    platform.fake.statuses[7].state = kStateAuthenticate;
    EXPECT_EQ(kExitSuccess, Run({"dialup", "status"}));
    EXPECT_EQ("connected: no\nsent: 0\nreceived: 0\n", out.str());
    platform.fake.statuses[7].state = kStateConnected;
    EXPECT_EQ(kExitSuccess, Run({"dialup", "status"}));
    EXPECT_EQ("connected: yes\nsent: 1500\nreceived: 4000000000\n", out.str());
}

TEST_F(DialupCommandTest, DisconnectHangsUpAConnectionOfAnotherProcess) {
    EXPECT_EQ(kExitFailure, Run({"disconnect"}));
    EXPECT_EQ("veltrogprs-cli: VLGPRS is not connected\n", err.str());
    platform.fake.connections = std::vector<ActiveConnection>{{7, "VLGPRS", "modem", "y"}};
    EXPECT_EQ(kExitSuccess, Run({"disconnect"}));
    EXPECT_EQ("disconnected\n", out.str());
    EXPECT_EQ((std::vector<ConnectionHandle>{7}), platform.fake.hangUps);
}

TEST_F(DialupCommandTest, EntryPrintsTheFieldsOrFails) {
    EXPECT_EQ(kExitFailure, Run({"dialup", "entry"}));
    EXPECT_NE(std::string::npos, err.str().find("no dial-up entry VLGPRS")) << err.str();
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", "VeltroGSM无线调制解调器"));
    EXPECT_EQ(kExitSuccess, Run({"dialup", "entry"}));
    EXPECT_EQ(
        "entry: VLGPRS\ndevice-type: modem\ndevice-name: VeltroGSM无线调制解调器\n"
        "phone: *99***1#\noptions: 0x11c\nprotocols: 4\nframing: 1\n"
        "ip-address: 0.0.0.0\ndns: 211.136.17.107\ndns-alt: 211.136.20.203\n"
        "wins: 0.0.0.0\nwins-alt: 0.0.0.0\nphonebook: " +
            platform.DefaultPhonebookPath() + "\n",
        out.str());
}

}  // namespace
}  // namespace veltro::cli
