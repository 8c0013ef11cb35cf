#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "dialup/DialupConnection.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro::cli {
namespace {

constexpr CommandGroup kGroups[] = {DialupCommands};

// connect, dialup status and disconnect as separate runs against the virtual data card,
// through the stand-in dialer, in real time (about two seconds a test).
class DialupEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access("/usr/sbin/chat", X_OK) != 0) {
            GTEST_SKIP() << "needs chat (package ppp)";
        }
        dir = ::testing::TempDir() + "dialup-e2e-" + std::to_string(::getpid());
        std::filesystem::create_directories(dir + "/run");
        std::filesystem::permissions(dir + "/run", std::filesystem::perms::owner_all);
        ::setenv("VELTROGPRS_RUNTIME_DIR", (dir + "/run").c_str(), 1);
        ::setenv("VELTROGPRS_PHONEBOOK", (dir + "/phonebook.ini").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
        ::unsetenv("VELTROGPRS_DIALER");
        card = std::make_unique<vcard::VirtualCard>();
        ASSERT_TRUE(card->Start());
    }
    void TearDown() override {
        if (card) {
            Run({"disconnect"});
            card->Stop();
        }
        ::unsetenv("VELTROGPRS_RUNTIME_DIR");
        ::unsetenv("VELTROGPRS_PHONEBOOK");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        Clock& clock = SystemClock::Instance();
        return RunCommandLine(arguments, kGroups,
                              CliEnvironment{clock, SerialPort::Factory(clock), out, err});
    }

    std::uint64_t Received() {
        EXPECT_EQ(kExitSuccess, Run({"dialup", "status"}));
        const std::string text = out.str();
        EXPECT_EQ(0u, text.find("connected: yes\n")) << text;
        return std::stoull(text.substr(text.find("received: ") + 10));
    }

    std::string dir;
    std::unique_ptr<vcard::VirtualCard> card;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(DialupEndToEndTest, ConnectStatusDisconnect) {
    ASSERT_EQ(kExitSuccess, Run({"--port", card->PortName(), "connect"})) << err.str();
    EXPECT_TRUE(out.str().ends_with("联接远端服务器成功.\n")) << out.str();
    EXPECT_TRUE(card->InDataMode());
    const std::uint64_t first = Received();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_GT(Received(), first);

    ASSERT_EQ(kExitSuccess, Run({"disconnect"})) << err.str();
    EXPECT_EQ("disconnected\n", out.str());
    for (int i = 0; i < 100 && card->InDataMode(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(card->InDataMode());
    EXPECT_EQ(kExitSuccess, Run({"dialup", "status"}));
    EXPECT_EQ("connected: no\nsent: 0\nreceived: 0\n", out.str());
}

TEST_F(DialupEndToEndTest, CardHangingUpEndsTheConnection) {
    ASSERT_EQ(kExitSuccess, Run({"--port", card->PortName(), "connect"})) << err.str();
    card->RemoteHangUp();
    std::string text;
    for (int i = 0; i < 200; ++i) {
        Run({"dialup", "status"});
        text = out.str();
        if (text.rfind("connected: no", 0) == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(0u, text.find("connected: no\n")) << text;
    EXPECT_EQ(kExitFailure, Run({"disconnect"}));
}

TEST_F(DialupEndToEndTest, DemoConnectsInOneProcess) {
    card.reset();
    ASSERT_EQ(kExitSuccess, Run({"--demo", "connect"})) << err.str();
    EXPECT_TRUE(out.str().ends_with("联接远端服务器成功.\n")) << out.str();
    // The demo card ended with the run, and the connection with it.
    std::string text;
    for (int i = 0; i < 200; ++i) {
        Run({"dialup", "status"});
        text = out.str();
        if (text.rfind("connected: no", 0) == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(0u, text.find("connected: no\n")) << text;
}

}  // namespace
}  // namespace veltro::cli
