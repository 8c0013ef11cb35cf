#include <gtest/gtest.h>

#include <string>

#include "DialupTestPlatform.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"

namespace veltro {
namespace {

using test::TestPlatform;

class DialTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, connection.CreateEntry("VLGPRS", kModem)); }

    static constexpr char kModem[] = "VeltroGSM无线调制解调器";
    TestPlatform platform;
    DialupConnection connection;
};

TEST_F(DialTest, BeforeAnyStatusTheTextIsOpeningThePort) {
    std::string text = "left over";
    int connected = 7;
    EXPECT_EQ(0, connection.GetDialStatus(text, connected));
    EXPECT_EQ("正在打开通讯端口...", text);
    EXPECT_EQ(0, connected);
}

struct StateCase {
    const char* name;
    int state;
    const char* text;
    int result;
    int connected;
};

class DialStateTest : public DialTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(DialStateTest, MapsTheState) {
    const StateCase& c = GetParam();
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    platform.fake.statuses[CurrentConnection].state = c.state;
    std::string text;
    int connected = -1;
    EXPECT_EQ(c.result, connection.GetDialStatus(text, connected));
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(c.connected, connected);
}

INSTANTIATE_TEST_SUITE_P(
    States, DialStateTest,
    ::testing::Values(
        StateCase{"port_opened", 1, "通讯端口打开成功.", 0, 0},
        StateCase{"connect_device", 2, "正在进行设备连接...", 0, 0},
        StateCase{"all_devices", 4, "设备链中的所有设备均连接成功.", 0, 0},
        StateCase{"authenticate", 5, "正在校验用户名和密码...", 0, 0},
        StateCase{"auth_retry", 7, "Requested another validation attempt with a new user.", 0, 0},
        StateCase{"authenticated", 14, "客户已成功完成鉴权.", 0, 0},
        StateCase{"projected", 18, "Projection result information is available.", 0, 0},
        StateCase{"logon_network", 21, "正在登录网络...", 0, 0},
        StateCase{"interactive", 4096, "Terminal state supported by RASPHONE.EXE.", 0, 0},
        StateCase{"password_expired", 4099, "Change password state supported by RASPHONE.EXE.", 0,
                  0},
        StateCase{"connected", 8192, "联接远端服务器成功.\n", 1, 1},
        StateCase{"disconnected", 8193, "已断开.", 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialTest, UnknownStateLeavesTheText) {
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    for (int state : {24, 4100, 8194, -1}) {
        platform.fake.statuses[CurrentConnection].state = state;
        std::string text = "caller's text";
        int connected = 5;
        EXPECT_EQ(0, connection.GetDialStatus(text, connected)) << state;
        EXPECT_EQ("caller's text", text);
        EXPECT_EQ(0, connected);
    }
}

TEST_F(DialTest, FailedReadKeepsTheLastStatus) {
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    platform.fake.statuses[CurrentConnection].state = kStateAuthenticate;
    std::string text;
    int connected = 0;
    connection.GetDialStatus(text, connected);
    platform.fake.statuses.clear();
    EXPECT_EQ(0, connection.GetDialStatus(text, connected));
    EXPECT_EQ("正在校验用户名和密码...", text);
}

TEST_F(DialTest, DialResolvesEntryDeviceAndNumber) {
    ASSERT_EQ(0, connection.Dial(nullptr, "", "user", "secret"));
    ASSERT_EQ(1u, platform.fake.dials.size());
    const DialRequest& request = platform.fake.dials[0];
    EXPECT_EQ("VLGPRS", request.entryName);
    EXPECT_EQ("*99***1#", request.phoneNumber);  // the entry's own number
    EXPECT_EQ("ttyUSB0", request.device.port);
    EXPECT_EQ(115200u, request.lineSpeed);
    EXPECT_EQ("user", request.userName);
    EXPECT_EQ("secret", request.password);
    EXPECT_EQ(41, CurrentConnection);

    ASSERT_EQ(0, connection.Dial(nullptr, "*99#", "", ""));
    EXPECT_EQ("*99#", platform.fake.dials[1].phoneNumber);
}

enum class Fault { Refused, NoEntry, NoDevice, LongPassword };

struct FaultCase {
    const char* name;
    Fault fault;
    int expected;
};

class DialFaultTest : public DialTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(DialFaultTest, LeavesNoConnection) {
    const FaultCase& c = GetParam();
    std::string password;
    switch (c.fault) {
        case Fault::Refused:
            platform.fake.dialResult = 633;
            break;
        case Fault::NoEntry:
            ASSERT_EQ(0, DeleteEntry("VLGPRS", ""));
            break;
        case Fault::NoDevice:
            platform.devices->clear();
            break;
        case Fault::LongPassword:
            password.assign(257, 'p');
            break;
    }
    CurrentConnection = 99;
    EXPECT_EQ(c.expected, connection.Dial(nullptr, "*99***1#", "", password));
    EXPECT_EQ(0, CurrentConnection);
    if (c.fault != Fault::Refused) {
        EXPECT_TRUE(platform.fake.dials.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DialFaultTest,
    ::testing::Values(FaultCase{"refused", Fault::Refused, 633},
                      FaultCase{"no_entry", Fault::NoEntry, DialupError::kCannotFindPhonebookEntry},
                      FaultCase{"no_device", Fault::NoDevice, DialupError::kDeviceDoesNotExist},
                      FaultCase{"password_too_long", Fault::LongPassword,
                                DialupError::kInvalidParameter}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialTest, IsConnectedIgnoresCaseAndTakesTheLastMatch) {
    platform.fake.connections = std::vector<ActiveConnection>{{11, "VLGPRS", "modem", kModem},
                                                              {12, "Office", "modem", "x"},
                                                              {13, "VlGprs", "modem", kModem}};
    ConnectionHandle handle = 0;
    EXPECT_TRUE(connection.IsConnected("vlgprs", handle));
    EXPECT_EQ(13, handle);
    handle = 0;
    EXPECT_FALSE(connection.IsConnected("VLGPRS2", handle));
    EXPECT_EQ(0, handle);
    platform.fake.connections = std::nullopt;
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
}

TEST_F(DialTest, HangUpPrefersTheCurrentConnection) {
    platform.fake.connections = std::vector<ActiveConnection>{{11, "VLGPRS", "modem", kModem}};
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    EXPECT_EQ(1, connection.HangUp());
    EXPECT_EQ((std::vector<ConnectionHandle>{41}), platform.fake.hangUps);
    EXPECT_EQ(41, CurrentConnection);  // a hang-up keeps the handle
    platform.fake.hangUpResult = 6;
    EXPECT_EQ(0, connection.HangUp());
}

TEST_F(DialTest, HangUpInANewProcessFindsTheEntrysConnection) {
    // A new process: a fresh connection object and no current connection.
    platform.fake.connections = std::vector<ActiveConnection>{{77, "VLGPRS", "modem", kModem}};
    DialupConnection fresh;
    EXPECT_EQ(0, CurrentConnection);
    EXPECT_EQ(1, fresh.HangUpEntry("VLGPRS"));
    EXPECT_EQ((std::vector<ConnectionHandle>{77}), platform.fake.hangUps);
    platform.fake.connections->clear();
    EXPECT_EQ(0, fresh.HangUpEntry("VLGPRS"));
}

TEST_F(DialTest, StatisticsCountTheConnectionPickedAtStart) {
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    platform.fake.statistics[41] = {1200, 34000};
    StartStatistics();
    std::uint32_t sendRate = 111, receiveRate = 222, sent = 0, received = 0;
    GetStatistics(sendRate, receiveRate, sent, received);
    EXPECT_EQ(111u, sendRate);
    EXPECT_EQ(222u, receiveRate);
    EXPECT_EQ(1200u, sent);
    EXPECT_EQ(34000u, received);

    // A failed read keeps the previous totals.
    platform.fake.statistics.clear();
    GetStatistics(sendRate, receiveRate, sent, received);
    EXPECT_EQ(1200u, sent);
    EXPECT_EQ(34000u, received);

    platform.fake.statistics[41] = {5, 6};
    ReleaseStatistics();
    GetStatistics(sendRate, receiveRate, sent, received);
    EXPECT_EQ(1200u, sent);
}

}  // namespace
}  // namespace veltro
