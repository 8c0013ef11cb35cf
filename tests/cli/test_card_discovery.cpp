#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro {
namespace {

constexpr char kDeviceName[] = "VeltroGSM无线调制解调器";

// Discovery, initialisation and status against the virtual card on a pty, in real time.
class CardDiscoveryTest : public ::testing::Test {
protected:
    void TearDown() override {
        engine.reset();
        card.reset();
        ::unsetenv("VELTROGPRS_MODEMS");
        std::remove(tablePath.c_str());
    }

    // Starts a card answering "BenQ" at rate and enters it in a device table.
    void StartCard(std::uint32_t rate) {
        vcard::CardOptions options;
        options.manufacturer = "BenQ M32";
        options.baudRate = rate;
        card = std::make_unique<vcard::VirtualCard>(options);
        ASSERT_TRUE(card->Start());
        tablePath = ::testing::TempDir() + "card-modems-" + std::to_string(::getpid()) + ".ini";
        std::ofstream(tablePath) << "[0000]\nFriendlyName=" << kDeviceName
                                 << " #1\nAttachedTo=" << card->PortName() << "\n";
        ::setenv("VELTROGPRS_MODEMS", tablePath.c_str(), 1);
        ::unsetenv("VELTROGPRS_PORT_SCAN");
        Clock& clock = SystemClock::Instance();
        engine = std::make_unique<ModemEngine>(clock, SerialPort::Factory(clock));
        engine->Reset();
    }

    bool FindAndInitialize() {
        char port[ModemEngine::kPortNameSize] = {};
        return engine->FindModem(kDeviceName, port) && engine->Initialize(port);
    }

    // The position of the first received line that begins with prefix, or -1.
    int LineIndex(const std::string& prefix) const {
        const auto lines = card->ReceivedLines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(prefix, 0) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    std::unique_ptr<vcard::VirtualCard> card;
    std::unique_ptr<ModemEngine> engine;
    std::string tablePath;
};

TEST_F(CardDiscoveryTest, SlowCardFoundAtThirdRateSwitchedAndSaved) {
    StartCard(4800);
    char port[ModemEngine::kPortNameSize] = {};
    ASSERT_TRUE(engine->FindModem(kDeviceName, port));
    EXPECT_EQ(card->PortName(), port);
    EXPECT_EQ(4800u, engine->BaudRate());
    ASSERT_TRUE(engine->Initialize(port));
    // The card only understands lines at its own rate: that it took "AT+IPR=115200"
    // shows the line went out at 4800.
    const int rateSwitch = LineIndex("AT+IPR=115200");
    ASSERT_GE(rateSwitch, 0);
    EXPECT_GT(LineIndex("AT&W"), rateSwitch);
    EXPECT_EQ(115200u, card->BaudRate());
    EXPECT_EQ(115200u, engine->BaudRate());
    EXPECT_GE(LineIndex("ATE0"), 0);
}

TEST_F(CardDiscoveryTest, CardAt115200GetsNoRateSwitch) {
    StartCard(115200);
    ASSERT_TRUE(FindAndInitialize());
    EXPECT_EQ(-1, LineIndex("AT+IPR"));
    EXPECT_EQ(-1, LineIndex("AT&W"));
}

TEST_F(CardDiscoveryTest, IgnoredIndicationSettingStopsInitialisation) {
    StartCard(115200);
    card->SetFault("AT+CNMI", vcard::CardFault::NoAnswer);
    EXPECT_FALSE(FindAndInitialize());
    EXPECT_GE(LineIndex("AT+CNMI=0,1,0,0,0"), 0);
    EXPECT_EQ(-1, LineIndex("AT+CMGF=0"));
}

TEST_F(CardDiscoveryTest, StatusOfTheCard) {
    StartCard(115200);
    ASSERT_TRUE(FindAndInitialize());
    EXPECT_TRUE(engine->CheckSimReady());
    EXPECT_TRUE(engine->AttachPacketService());
    card->SetRegistration(5);
    int status = 0;
    ASSERT_TRUE(engine->GetPacketRegistration(&status));
    EXPECT_EQ(5, status);
    card->SetSignal(23);
    int signal = 0;
    ASSERT_TRUE(engine->ReadSignalQuality(&signal));
    EXPECT_EQ(23, signal);
    card->SetSim(vcard::SimState::Absent);
    EXPECT_FALSE(engine->CheckSimReady());
}

// The program itself, as a user runs it.
struct CliRun {
    int status = -1;
    std::string out;
};

// Runs the program; with errors set its standard error is read too.
CliRun RunCli(const std::string& arguments, bool errors = false) {
    CliRun run;
    const std::string command =
        std::string(VELTRO_CLI_BINARY) + " " + arguments + (errors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        run.out += chunk.data();
    }
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

TEST(CliDemoTest, StatusOnTheDemoCard) {
    const CliRun run = RunCli("--demo status");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(0u, run.out.find("sim: ready\ngprs: 1\nsignal: ")) << run.out;
    const auto signal = run.out.find("signal: ");
    ASSERT_NE(std::string::npos, signal);
    EXPECT_NE(std::string::npos,
              std::string("0123456789").find(run.out[signal + std::string("signal: ").size()]))
        << run.out;
}

TEST(CliDemoTest, FindOnTheDemoCard) {
    const CliRun run = RunCli("--demo find");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(0u, run.out.find("port: pts/")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\nbaud: ")) << run.out;
}

// A pty of the test's own, kept open on both sides for the program to fail on.
class HeldPty {
public:
    HeldPty() {
        char path[64] = {};
        if (::openpty(&master_, &slave_, path, nullptr, nullptr) == 0) {
            path_ = path;
        }
    }
    ~HeldPty() {
        ::close(slave_);
        ::close(master_);
    }
    const std::string& Path() const { return path_; }
    std::string Name() const { return path_.substr(5); }
    int Slave() const { return slave_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

bool RunsAsRoot() {
    return ::geteuid() == 0;
}

TEST(CliOpenErrorTest, PortTheUserMayNotOpenIsNamedWithItsPath) {
    if (RunsAsRoot()) {
        GTEST_SKIP() << "root opens any port; scripts/test-as-user.sh runs this as a user";
    }
    HeldPty pty;
    ASSERT_FALSE(pty.Path().empty());
    ASSERT_EQ(0, ::fchmod(pty.Slave(), 0));
    const CliRun run = RunCli("--port " + pty.Name() + " find", true);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("veltrogprs-cli: permission denied on " + pty.Path() + ": "))
        << run.out;
}

TEST(CliOpenErrorTest, PortHeldByAnotherProgramIsBusy) {
    if (RunsAsRoot()) {
        GTEST_SKIP()
            << "root passes an exclusive lock; scripts/test-as-user.sh runs this as a user";
    }
    HeldPty pty;
    ASSERT_FALSE(pty.Path().empty());
    ASSERT_EQ(0, ::ioctl(pty.Slave(), TIOCEXCL));
    const CliRun find = RunCli("--port " + pty.Name() + " find", true);
    EXPECT_EQ(1, find.status);
    EXPECT_EQ("veltrogprs-cli: " + pty.Name() + " is in use by another program\n", find.out);
}

TEST(CliOpenErrorTest, MissingPortIsNamed) {
    const CliRun run = RunCli("--port nosuch9 find", true);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("veltrogprs-cli: /dev/nosuch9 does not exist\n", run.out);
}

TEST(CliDemoTest, UsageErrorExitsTwo) {
    EXPECT_EQ(2, RunCli("--demo").status);
    EXPECT_EQ(2, RunCli("frobnicate").status);
}

}  // namespace
}  // namespace veltro
