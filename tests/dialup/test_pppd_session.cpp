#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "dialup/ConnectionStatus.h"
#include "dialup/DialupError.h"
#include "dialup/PppdSession.h"

namespace veltro {
namespace {

// Feeds a recorded session line by line (the signal at "@up" is SIGTERM) and notes
// every state it passes.
struct Replayed {
    std::vector<int> states;
    PppdSession session;
};

Replayed Replay(const std::string& file) {
    Replayed replayed;
    std::ifstream in(std::string(VELTRO_PPPD_SESSIONS) + "/" + file);
    EXPECT_TRUE(in.good()) << file;
    replayed.states.push_back(replayed.session.State());
    auto note = [&] {
        if (replayed.states.back() != replayed.session.State()) {
            replayed.states.push_back(replayed.session.State());
        }
    };
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line == "@up") {
            continue;
        }
        if (line.rfind("@exit ", 0) == 0) {
            replayed.session.Exited(std::stoi(line.substr(6)));
            note();
            continue;
        }
        const auto space = line.find(' ');
        std::string text = space == std::string::npos ? "" : line.substr(space + 1);
        if (const auto mark = text.find("<signal>"); mark != std::string::npos) {
            text.replace(mark, 8, "15");
        }
        replayed.session.Feed(text);
        note();
    }
    return replayed;
}

struct SessionCase {
    const char* name;
    const char* file;
    std::vector<int> states;
    std::uint32_t error;
    const char* interface;
};

class PppdSessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(PppdSessionTest, MapsTheRecordedSession) {
    const SessionCase& c = GetParam();
    const Replayed replayed = Replay(c.file);
    EXPECT_EQ(c.states, replayed.states);
    EXPECT_EQ(c.error, replayed.session.Error());
    EXPECT_EQ(c.interface, replayed.session.Interface());
}

INSTANTIATE_TEST_SUITE_P(
    Recorded, PppdSessionTest,
    ::testing::Values(
        SessionCase{"connect_then_sigterm",
                    "gprs-connect.txt",
                    {kStateOpenPort, kStatePortOpened, kStateConnectDevice, kStateDeviceConnected,
                     kStateAllDevicesConnected, kStateAuthenticate, kStateAuthenticated,
                     kStateProjected, kStateConnected, kStateDisconnected},
                    DialupError::kUserDisconnection,
                    "ppp0"},
        SessionCase{"no_carrier",
                    "gprs-no-carrier.txt",
                    {kStateOpenPort, kStatePortOpened, kStateConnectDevice, kStateDisconnected},
                    DialupError::kNoCarrier,
                    ""},
        SessionCase{"link_drop",
                    "gprs-link-drop.txt",
                    {kStateOpenPort, kStatePortOpened, kStateConnectDevice, kStateDeviceConnected,
                     kStateAllDevicesConnected, kStateAuthenticate, kStateProjected,
                     kStateConnected, kStateDisconnected},
                    DialupError::kRemoteDisconnection,
                    "ppp0"},
        SessionCase{"no_ppp_in_kernel",
                    "no-ppp-device.txt",
                    {kStateOpenPort, kStateDisconnected},
                    DialupError::kNoConnection,
                    ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PppdSession, StatesNeverGoBackward) {
    PppdSession session;
    session.Feed("remote IP address 10.64.64.64");
    // chat's closing "send (^M)" and a late chat line must not undo progress.
    session.Feed("send (ATD*99#^M)");
    session.Feed("abort on (BUSY)");
    EXPECT_EQ(kStateConnected, session.State());
    session.Feed("Connection terminated.");
    session.Feed("Connect: ppp1 <--> /dev/ttyUSB0");
    EXPECT_EQ(kStateDisconnected, session.State());
}

TEST(PppdSession, GotItCountsOnlyForConnect) {
    PppdSession session;
    session.Feed("send (AT^M)");
    session.Feed("expect (OK)");
    session.Feed(" -- got it");
    EXPECT_EQ(kStateConnectDevice, session.State());
    session.Feed("expect (CONNECT)");
    session.Feed(" -- got it");
    EXPECT_EQ(kStateDeviceConnected, session.State());
}

struct ExitCase {
    int status;
    std::uint32_t error;
};

class PppdExitTest : public ::testing::TestWithParam<ExitCase> {};

TEST_P(PppdExitTest, ExitStatusGivesTheError) {
    PppdSession session;
    session.Exited(GetParam().status);
    EXPECT_EQ(kStateDisconnected, session.State());
    EXPECT_EQ(GetParam().error, session.Error());
}

INSTANTIATE_TEST_SUITE_P(Statuses, PppdExitTest,
                         ::testing::Values(ExitCase{5, DialupError::kUserDisconnection},
                                           ExitCase{7, DialupError::kPortNotAvailable},
                                           ExitCase{8, DialupError::kNoAnswer},
                                           ExitCase{10, DialupError::kPppTimeout},
                                           ExitCase{19, DialupError::kAuthenticationFailure},
                                           ExitCase{16, DialupError::kRemoteDisconnection},
                                           ExitCase{-1, DialupError::kNoConnection}));

TEST(PppdSession, FirstReasonWins) {
    PppdSession session;
    session.Feed("CHAP authentication failed");
    session.Feed("Connection terminated.");
    session.Exited(19);
    EXPECT_EQ(DialupError::kAuthenticationFailure, session.Error());
}


struct ReasonCase {
    const char* name;
    const char* file;
    const char* reason;
};

class PppdReasonTest : public ::testing::TestWithParam<ReasonCase> {};

// The user sees pppd's own words for a failed dial, not only a number.
TEST_P(PppdReasonTest, KeepsTheLastLinesThatNameACause) {
    EXPECT_EQ(GetParam().reason, Replay(GetParam().file).session.Reason());
}

INSTANTIATE_TEST_SUITE_P(
    Recorded, PppdReasonTest,
    ::testing::Values(ReasonCase{"no_carrier", "gprs-no-carrier.txt",
                                 "Failed (NO CARRIER)\nConnect script failed"},
                      ReasonCase{"no_ppp_in_kernel", "no-ppp-device.txt",
                                 "Couldn't open the /dev/ppp device: No such file or directory\n"
                                 "You need to create the /dev/ppp device node by"},
                      ReasonCase{"link_drop", "gprs-link-drop.txt", "Modem hangup"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PppdSession, OptionErrorsLoseThePppdPath) {
    PppdSession session;
    session.Feed("/usr/sbin/pppd: using the noauth option requires root privilege");
    session.Exited(2);
    EXPECT_EQ("using the noauth option requires root privilege", session.Reason());
    PppdSession silent;
    silent.Exited(4);
    EXPECT_EQ("pppd exit status 4", silent.Reason());
}

}  // namespace
}  // namespace veltro
