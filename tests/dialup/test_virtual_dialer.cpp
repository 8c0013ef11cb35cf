#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "DialupTestPlatform.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"
#include "dialup/PppdDialService.h"
#include "modem/SystemClock.h"

namespace veltro {
namespace {

using test::TestPlatform;

// A card on the master side of a pseudo-terminal: answers the dial with CONNECT, then
// sends 1000 bytes every 100 ms until told to drop the call.
class PtyCard {
public:
    PtyCard() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(master_);
        ::unlockpt(master_);
        port_ = std::string(::ptsname(master_)).substr(5);
        thread_ = std::thread([this] { Run(); });
    }
    ~PtyCard() {
        stop_ = true;
        thread_.join();
        ::close(master_);
    }
    const std::string& Port() const { return port_; }
    void DropCall() { drop_ = true; }
    bool LineClosed() const { return closed_; }
    std::string Dialled() const { return dialled_; }

private:
    void Run() {
        std::string heard;
        bool connected = false;
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            pollfd poller{master_, POLLIN, 0};
            ::poll(&poller, 1, 20);
            char buffer[512];
            const ssize_t n = ::read(master_, buffer, sizeof(buffer));
            if (n > 0 && !connected) {
                heard.append(buffer, static_cast<std::size_t>(n));
                if (heard.find('\r') != std::string::npos) {
                    dialled_ = heard.substr(0, heard.find('\r'));
                    Write("\r\nCONNECT 115200\r\n");
                    connected = true;
                }
            } else if (n < 0 && errno == EIO && connected) {
                closed_ = true;  // every slave descriptor is closed: the dialer let go
            }
            if (connected && !closed_ && std::chrono::steady_clock::now() >= next) {
                Write(drop_ ? "\r\nNO CARRIER\r\n" : std::string(1000, 'd'));
                next += std::chrono::milliseconds(100);
                if (drop_) {
                    connected = false;
                    heard.clear();
                }
            }
        }
    }
    void Write(const std::string& bytes) {
        if (::write(master_, bytes.data(), bytes.size()) < 0) {
            return;
        }
    }

    int master_ = -1;
    std::string port_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> drop_{false};
    std::atomic<bool> closed_{false};
    std::string dialled_;
};

// The stand-in dialer chosen for a pseudo-terminal, driving the real chat against a
// card on the other side. Real processes and real time (about 1.5 s a test).
class VirtualDialerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access("/usr/sbin/chat", X_OK) != 0) {
            GTEST_SKIP() << "needs chat (package ppp)";
        }
        ::unsetenv("VELTROGPRS_DIALER");
        std::filesystem::create_directories(platform.dir + "/run");
        std::filesystem::permissions(platform.dir + "/run", std::filesystem::perms::owner_all);
        PppdDialService::Options options;
        options.runtimeDir = platform.dir + "/run";
        service = std::make_unique<PppdDialService>(options, SystemClock::Instance());
        platform.UseDialer(service.get());
        (*platform.devices)[0].port = card.Port();
        ASSERT_EQ(1, connection.CreateEntry("VLGPRS", "VeltroGSM无线调制解调器"));
        ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    }

    bool WaitFor(int wantedState, int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        std::string text;
        int connected = 0;
        while (std::chrono::steady_clock::now() < end) {
            connection.GetDialStatus(text, connected);
            if (connection.Status.state == wantedState) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TestPlatform platform;
    PtyCard card;
    std::unique_ptr<PppdDialService> service;
    DialupConnection connection;
};

TEST_F(VirtualDialerTest, ConnectsCountsTrafficAndHangsUp) {
    ASSERT_TRUE(WaitFor(kStateConnected, 10));
    EXPECT_EQ("ATD*99***1#", card.Dialled());
    StartStatistics();
    std::uint32_t rate = 0, sent = 0, firstReceived = 0, received = 0;
    GetStatistics(rate, rate, sent, firstReceived);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    GetStatistics(rate, rate, sent, received);
    EXPECT_GT(sent, 0u);
    EXPECT_GE(received, firstReceived + 3000u);

    EXPECT_EQ(1, connection.HangUp());
    ASSERT_TRUE(WaitFor(kStateDisconnected, 1));
    EXPECT_EQ(DialupError::kUserDisconnection, connection.Status.error);
    for (int i = 0; i < 50 && !card.LineClosed(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(card.LineClosed());
    // The stand-in's counters went with it.
    EXPECT_FALSE(std::filesystem::exists(platform.dir + "/run/net/vppp0"));
}

TEST_F(VirtualDialerTest, CardDroppingTheCallEndsTheConnection) {
    ASSERT_TRUE(WaitFor(kStateConnected, 10));
    card.DropCall();
    ASSERT_TRUE(WaitFor(kStateDisconnected, 3));
    EXPECT_EQ(DialupError::kRemoteDisconnection, connection.Status.error);
    ConnectionHandle handle = 0;
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
}

}  // namespace
}  // namespace veltro
