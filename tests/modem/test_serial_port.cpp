#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace veltro {
namespace {

// A real pseudo-terminal pair: the test plays the modem on the master side, the port
// under test opens the slave by its short name ("pts/N").
class PtyPair {
public:
    PtyPair() {
        int slave = -1;
        char path[64] = {};
        if (::openpty(&master_, &slave, path, nullptr, nullptr) == 0) {
            ::close(slave);
            name_ = std::string(path).substr(5);  // drop "/dev/"
        }
    }
    ~PtyPair() {
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    const std::string& Name() const { return name_; }
    int Master() const { return master_; }
    void CloseMaster() {
        ::close(master_);
        master_ = -1;
    }

    void Send(const std::string& bytes) const {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master_, bytes.data(), bytes.size()));
    }
    std::string Receive(std::size_t count) const {
        std::string got;
        while (got.size() < count) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, 2000) <= 0) {
                break;
            }
            char buf[256];
            const ssize_t n = ::read(master_, buf, sizeof(buf));
            if (n <= 0) {
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int master_ = -1;
    std::string name_;
};

std::string ReadAvailable(SerialPort& port) {
    std::string got;
    for (int tries = 0; tries < 100; ++tries) {
        port.WaitReadable(20);
        char buf[64];
        std::uint32_t count = 0;
        if (port.Read(buf, sizeof(buf), &count) == 0) {
            break;
        }
        got.append(buf, count);
        if (count == 0 && !got.empty()) {
            break;
        }
    }
    return got;
}

TEST(SerialPortTest, OpensRawAt115200AndRoundTrips) {
    PtyPair pty;
    ASSERT_FALSE(pty.Name().empty());
    SerialPort port(pty.Name(), SystemClock::Instance());
    ASSERT_EQ(0, port.Open());

    LineSettings settings;
    ASSERT_EQ(1, port.GetSettings(settings));
    EXPECT_EQ(115200u, settings.baudRate);
    EXPECT_EQ(8, settings.byteSize);
    EXPECT_EQ(0, settings.parity);
    EXPECT_EQ(0, settings.stopBits);
    EXPECT_EQ(0u, settings.native.c_lflag & (ICANON | ECHO)) << "raw mode";

    // An idle read succeeds at once with nothing.
    char buf[32];
    std::uint32_t count = 99;
    const auto start = SystemClock::Instance().NowMs();
    EXPECT_EQ(1, port.Read(buf, sizeof(buf), &count));
    EXPECT_EQ(0u, count);
    EXPECT_LT(SystemClock::Instance().NowMs() - start, 50u);

    std::uint32_t written = 0;
    ASSERT_EQ(1, port.Write("AT+CGMI\r", 8, &written));
    EXPECT_EQ(8u, written);
    EXPECT_EQ("AT+CGMI\r", pty.Receive(8));

    pty.Send("\r\nWAVECOM MODEM\r\n\r\nOK\r\n");
    EXPECT_EQ("\r\nWAVECOM MODEM\r\n\r\nOK\r\n", ReadAvailable(port));
}

TEST(SerialPortTest, PurgeDropsUnreadInput) {
    PtyPair pty;
    SerialPort port(pty.Name(), SystemClock::Instance());
    ASSERT_EQ(0, port.Open());
    pty.Send("RING\r\n");
    port.WaitReadable(500);
    EXPECT_TRUE(port.PurgeInput());
    char buf[32];
    std::uint32_t count = 0;
    EXPECT_EQ(1, port.Read(buf, sizeof(buf), &count));
    EXPECT_EQ(0u, count);
}

TEST(SerialPortTest, ReopenChangesTheRate) {
    PtyPair pty;
    SerialPort port(pty.Name(), SystemClock::Instance());
    ASSERT_EQ(0, port.Open());
    ASSERT_EQ(1, port.Reopen(4800));
    termios tio{};
    ASSERT_EQ(0, ::tcgetattr(pty.Master(), &tio)) << "the master sees the slave's settings";
    EXPECT_EQ(static_cast<speed_t>(B4800), ::cfgetospeed(&tio));
}

TEST(SerialPortTest, NameIsCutToEightCharacters) {
    SerialPort port("ttyUSB10extra", SystemClock::Instance());
    EXPECT_STREQ("ttyUSB10", port.Name());
    EXPECT_EQ("/dev/ttyUSB10", port.DevicePath());
    SerialPort shortName("pts/7", SystemClock::Instance());
    EXPECT_STREQ("pts/7", shortName.Name());
}

TEST(SerialPortTest, FailedOpenRefusesEverything) {
    SerialPort port("nosuch0", SystemClock::Instance());
    EXPECT_EQ(ENOENT, port.Open());
    char buf[8];
    std::uint32_t count = 0;
    EXPECT_EQ(0, port.Read(buf, sizeof(buf), &count));
    EXPECT_EQ(0, port.Write("AT\r", 3, &count));
    EXPECT_EQ(0, port.RaiseDtr());
    EXPECT_FALSE(port.PurgeInput());
    LineSettings settings;
    EXPECT_EQ(0, port.GetSettings(settings));
    EXPECT_EQ(0, port.ApplyDefaultSettings());
    EXPECT_EQ(0, port.Reopen(115200)) << "a failed port is never reopened";
}

TEST(SerialPortTest, ClosedPortFailsInTheSystem) {
    PtyPair pty;
    SerialPort port(pty.Name(), SystemClock::Instance());
    ASSERT_EQ(0, port.Open());
    port.Close();
    char buf[8];
    std::uint32_t count = 0;
    EXPECT_EQ(0, port.Read(buf, sizeof(buf), &count));
    EXPECT_EQ(0, port.Write("AT\r", 3, &count));
    EXPECT_TRUE(port.PurgeInput()) << "purge only refuses the invalid handle";
}

// Reads the tty's exclusive mode through a descriptor of the test's own.
int ExclusiveMode(int fd) {
    int mode = -1;
    return ::ioctl(fd, TIOCGEXCL, &mode) == 0 ? mode : -1;
}

TEST(SerialPortTest, ExclusiveOnlyWhileOpen) {
    PtyPair pty;
    // Another holder keeps the tty alive across the port's closes, as a getty would.
    const int holder = ::open(("/dev/" + pty.Name()).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    {
        SerialPort port(pty.Name(), SystemClock::Instance());
        ASSERT_EQ(0, port.Open());
        EXPECT_EQ(1, ExclusiveMode(holder));
        port.Close();
        EXPECT_EQ(0, ExclusiveMode(holder)) << "Close gives the lock up";

        SerialPort reopened(pty.Name(), SystemClock::Instance());
        ASSERT_EQ(0, reopened.Open());
        ASSERT_EQ(1, reopened.Reopen(9600));
        EXPECT_EQ(1, ExclusiveMode(holder)) << "the reopened port holds it again";
    }
    EXPECT_EQ(0, ExclusiveMode(holder)) << "deleting an open port gives the lock up";
    ::close(holder);
}

TEST(SerialPortTest, HungUpLineDoesNotSpinTheWait) {
    PtyPair pty;
    SerialPort port(pty.Name(), SystemClock::Instance());
    ASSERT_EQ(0, port.Open());
    pty.CloseMaster();
    const auto start = SystemClock::Instance().NowMs();
    port.WaitReadable(100);
    EXPECT_GE(SystemClock::Instance().NowMs() - start, 90u);
}

// A pulled-out card hangs its tty up: reads come back empty as on an idle line, writes
// fail with EIO and poll reports POLLHUP. Whichever of them sees it first marks the
// line gone, and from then on reads and writes fail at once.
TEST(SerialPortTest, PulledOutCardIsGoneToReadsWritesAndWaits) {
    enum class FirstSeenBy { Read, Write, Wait };
    for (const FirstSeenBy by : {FirstSeenBy::Read, FirstSeenBy::Write, FirstSeenBy::Wait}) {
        SCOPED_TRACE(static_cast<int>(by));
        PtyPair pty;
        SerialPort port(pty.Name(), SystemClock::Instance());
        ASSERT_EQ(0, port.Open());
        char buf[8];
        std::uint32_t count = 0;
        EXPECT_EQ(1, port.Read(buf, sizeof(buf), &count));
        port.WaitReadable(5);
        EXPECT_FALSE(port.Gone()) << "an idle line is not a gone one";
        EXPECT_TRUE(port.DevicePresent());

        pty.CloseMaster();
        EXPECT_FALSE(port.DevicePresent()) << "the pty's node goes with its master";
        switch (by) {
            case FirstSeenBy::Read:
                EXPECT_EQ(0, port.Read(buf, sizeof(buf), &count));
                break;
            case FirstSeenBy::Write:
                EXPECT_EQ(0, port.Write("AT\r", 3, &count));
                break;
            case FirstSeenBy::Wait:
                port.WaitReadable(5);
                break;
        }
        EXPECT_TRUE(port.Gone());
        EXPECT_EQ(0, port.Read(buf, sizeof(buf), &count));
        EXPECT_EQ(0, port.Write("AT\r", 3, &count));
        EXPECT_EQ(0u, count);
    }
}

// An await on the engine ends when the card goes, long before its limit, and the
// engine says so to any thread; the next command fails without waiting.
TEST(SerialPortTest, EngineAwaitEndsWhenTheCardIsPulled) {
    PtyPair pty;
    Clock& clock = SystemClock::Instance();
    ModemEngine engine(clock, SerialPort::Factory(clock));
    ASSERT_TRUE(engine.OpenPort(pty.Name().c_str()));
    EXPECT_FALSE(engine.DeviceGone());
    std::thread pull([&pty, &clock] {
        clock.SleepMs(100);
        pty.CloseMaster();
    });
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(-1, engine.AwaitCode(ResultCodeId::Ok, 20000));
    pull.join();
    EXPECT_LT(clock.NowMs() - start, 5000u);
    EXPECT_TRUE(engine.DeviceGone());
    const std::uint64_t before = clock.NowMs();
    EXPECT_FALSE(engine.HangUp());
    EXPECT_LT(clock.NowMs() - before, 1000u);
}

}  // namespace
}  // namespace veltro
