#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "DialupTestPlatform.h"
#include "EndedProcess.h"
#include "dialup/ConnectionRegistry.h"
#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"
#include "dialup/DialupPaths.h"
#include "dialup/PppdCommandLine.h"
#include "dialup/PppdDialService.h"
#include "modem/SystemClock.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;
using test::TestPlatform;

constexpr char kModem[] = "VeltroGSM无线调制解调器";

// The pppd service with a recorded session replayed in place of pppd. Real processes
// and real time: each session takes well under a second.
class PppdServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<PppdDialService>(Options(), SystemClock::Instance());
        platform.UseDialer(service.get());
        fs::create_directories(platform.dir + "/run");
        fs::permissions(platform.dir + "/run", fs::perms::owner_all);
        ::setenv("VELTRO_REPLAY_ARGS", (platform.dir + "/args").c_str(), 1);
        ASSERT_EQ(1, connection.CreateEntry("VLGPRS", kModem));
    }
    void TearDown() override {
        // Leave no replay running, whatever the test did.
        for (const auto& record : ConnectionRegistry(platform.dir + "/run").List()) {
            ::kill(static_cast<pid_t>(record.handle), SIGKILL);
        }
        ::unsetenv("VELTRO_REPLAY_SESSION");
        ::unsetenv("VELTRO_REPLAY_ARGS");
    }

    PppdDialService::Options Options() {
        PppdDialService::Options options;
        options.program = VELTRO_PPPD_REPLAY;
        options.runtimeDir = platform.dir + "/run";
        options.netClassDirs = {platform.dir + "/net"};
        options.hangUpLimitMs = 3000;
        // The replay stands in for pppd on a device with no fixed name.
        options.cardDevice = "";
        return options;
    }

    static void Session(const std::string& name) {
        ::setenv("VELTRO_REPLAY_SESSION", (std::string(VELTRO_PPPD_SESSIONS) + "/" + name).c_str(),
                 1);
    }

    // Polls the dial every 5 ms until a final state or 5 s; the texts seen, in order.
    std::vector<std::string> Follow(DialupConnection& dial, int& connected) {
        std::vector<std::string> seen;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::string text;
        int result = 0;
        while (result == 0 && std::chrono::steady_clock::now() < end) {
            result = dial.GetDialStatus(text, connected);
            if (seen.empty() || seen.back() != text) {
                seen.push_back(text);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return seen;
    }

    std::vector<std::string> ConnRecords() {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(platform.dir + "/run")) {
            if (item.path().extension() == ".conn") {
                names.push_back(item.path().filename().string());
            }
        }
        return names;
    }

    void WriteCounters(const std::string& interface, std::uint64_t tx, std::uint64_t rx) {
        const std::string dir = platform.dir + "/net/" + interface + "/statistics";
        fs::create_directories(dir);
        std::ofstream(dir + "/tx_bytes") << tx << "\n";
        std::ofstream(dir + "/rx_bytes") << rx << "\n";
    }

    TestPlatform platform;
    std::unique_ptr<PppdDialService> service;
    DialupConnection connection;
};

TEST_F(PppdServiceTest, RecordedSessionConnectsCountsAndHangsUp) {
    Session("gprs-connect.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    const auto seen = Follow(connection, connected);
    ASSERT_EQ(1, connected);
    EXPECT_EQ("联接远端服务器成功.\n", seen.back());
    const std::vector<std::string> order = {
        "正在打开通讯端口...",           "通讯端口打开成功.",
        "正在进行设备连接...",           "设备连接成功.",
        "设备链中的所有设备均连接成功.", "正在校验用户名和密码...",
        "客户已成功完成鉴权.",           "Projection result information is available.",
        "联接远端服务器成功.\n"};
    auto position = order.begin();
    for (const std::string& text : seen) {
        position = std::find(position, order.end(), text);
        ASSERT_NE(order.end(), position) << "out of order: " << text;
    }

    // pppd got exactly the command line built for the entry.
    std::ifstream argsFile(platform.dir + "/args");
    std::vector<std::string> args;
    for (std::string line; std::getline(argsFile, line);) {
        args.push_back(line);
    }
    DialRequest request;
    request.entryName = "VLGPRS";
    ASSERT_EQ(0, connection.GetEntryProperties("VLGPRS", request.entry, ""));
    request.device = (*platform.devices)[0];
    request.lineSpeed = 115200;
    request.phoneNumber = "*99***1#";
    EXPECT_EQ(PppdCommandLine::Build(request, VELTRO_PPPD_REPLAY, "", ""), args);

    // The interface's 64-bit counters wrap into the 32-bit totals.
    WriteCounters("ppp0", (1ull << 32) + 1200, 34000);
    StartStatistics();
    std::uint32_t sendRate = 0, receiveRate = 0, sent = 0, received = 0;
    GetStatistics(sendRate, receiveRate, sent, received);
    EXPECT_EQ(1200u, sent);
    EXPECT_EQ(34000u, received);
    ReleaseStatistics();

    ConnectionHandle handle = 0;
    EXPECT_TRUE(connection.IsConnected("vlgprs", handle));
    EXPECT_EQ(CurrentConnection, handle);
    EXPECT_EQ(1, connection.HangUp());
    std::string text;
    EXPECT_EQ(1, connection.GetDialStatus(text, connected));
    EXPECT_EQ("已断开.", text);
    EXPECT_EQ(DialupError::kUserDisconnection, connection.Status.error);
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
    EXPECT_TRUE(ConnRecords().empty());
}

TEST_F(PppdServiceTest, DialingAnActiveEntryJoinsItsConnection) {
    Session("gprs-connect.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    const ConnectionHandle first = CurrentConnection;
    DialupConnection again;
    ASSERT_EQ(183, again.CreateEntry("VLGPRS", kModem));
    ASSERT_EQ(0, again.Dial(nullptr, "*99***1#", "", ""));
    EXPECT_EQ(first, CurrentConnection);
    EXPECT_EQ(1u, ConnRecords().size());
    // The phonebook takes the name in any case; so does the join.
    ASSERT_EQ(0, again.DialEntry("vlgprs", nullptr, "*99***1#", "", "", "", ""));
    EXPECT_EQ(first, CurrentConnection);
    EXPECT_EQ(1u, ConnRecords().size());
    int connected = 0;
    Follow(again, connected);
    EXPECT_EQ(1, connected);
}

TEST_F(PppdServiceTest, AnotherProcessFindsAndHangsUpTheConnection) {
    Session("gprs-connect.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    ASSERT_EQ(1, connected);
    const ConnectionHandle dialled = CurrentConnection;

    // Another process knows only the runtime folder.
    PppdDialService other(Options(), SystemClock::Instance());
    platform.UseDialer(&other);
    DialupConnection fresh;
    ASSERT_EQ(0, CurrentConnection);
    ASSERT_EQ(183, fresh.CreateEntry("VLGPRS", kModem));
    ConnectionHandle handle = 0;
    ASSERT_TRUE(fresh.IsConnected("VLGPRS", handle));
    EXPECT_EQ(dialled, handle);
    LinkStatistics statistics;
    WriteCounters("ppp0", 10, 20);
    EXPECT_EQ(0, other.GetStatistics(handle, statistics));
    EXPECT_EQ(20u, statistics.bytesReceived);
    EXPECT_EQ(1, fresh.HangUp());
    EXPECT_FALSE(fresh.IsConnected("VLGPRS", handle));
    EXPECT_EQ(0, fresh.HangUp());
    EXPECT_TRUE(ConnRecords().empty());
}

TEST_F(PppdServiceTest, DiallerReapsItsDialerHungUpByAnotherProcess) {
    Session("gprs-connect.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    ASSERT_EQ(1, connected);
    const auto dialer = static_cast<pid_t>(CurrentConnection);

    PppdDialService other(Options(), SystemClock::Instance());
    ASSERT_EQ(0, other.HangUp(dialer));

    // The dialling process only goes on with its once-a-second check of the entry.
    ConnectionHandle handle = 0;
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
    EXPECT_FALSE(ConnectionRegistry::ProcessStart(dialer, true).has_value())
        << "the ended dialer is left a zombie";
}

// The dialer outlives the dialling process: it must hold none of its descriptors (a
// lock, a socket, the modem's port).
TEST_F(PppdServiceTest, DialerInheritsNoDescriptorOfTheDiallingProcess) {
    const std::string listing = platform.dir + "/fds";
    const std::string script = platform.dir + "/list-fds";
    std::ofstream(script) << "#!/bin/sh\nls /proc/$$/fd > '" << listing << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    const int plain = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(plain, 0);
    const int leaked = ::fcntl(plain, F_DUPFD, 200);  // no close-on-exec, like many libraries
    ::close(plain);
    ASSERT_GE(leaked, 200);

    PppdDialService::Options options = Options();
    options.program = script;
    PppdDialService lister(options, SystemClock::Instance());
    platform.UseDialer(&lister);
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    ::close(leaked);
    std::ifstream in(listing);
    std::vector<std::string> fds;
    for (std::string fd; in >> fd;) {
        fds.push_back(fd);
    }
    ASSERT_NE(fds.end(), std::find(fds.begin(), fds.end(), "1")) << "the dialer did not run";
    EXPECT_EQ(fds.end(), std::find(fds.begin(), fds.end(), std::to_string(leaked)))
        << "descriptor " << leaked << " reached the dialer";
}

struct EndCase {
    const char* name;
    const char* session;
    std::uint32_t error;
};

class PppdEndTest : public PppdServiceTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(PppdEndTest, DialEndsDisconnected) {
    Session(GetParam().session);
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(connection.GetDialStatus(text, connected) == 1 && connected == 0) &&
           std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ("已断开.", text);
    EXPECT_EQ(0, connected);
    EXPECT_EQ(GetParam().error, connection.Status.error);
    ConnectionHandle handle = 0;
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
    // pppd may still be winding down after its last line; once it has exited the
    // dialling process clears the record and a hang-up finds nothing to end.
    for (int i = 0; i < 100 && !ConnRecords().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        connection.GetDialStatus(text, connected);
    }
    EXPECT_TRUE(ConnRecords().empty());
    EXPECT_EQ(0, connection.HangUp());
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, PppdEndTest,
    ::testing::Values(EndCase{"no_carrier", "gprs-no-carrier.txt", DialupError::kNoCarrier},
                      EndCase{"link_drop", "gprs-link-drop.txt", DialupError::kRemoteDisconnection},
                      EndCase{"no_ppp_in_kernel", "no-ppp-device.txt", DialupError::kNoConnection}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PppdServiceTest, NotifierHearsEachNewState) {
    Session("gprs-no-carrier.txt");
    std::vector<int> states;
    ASSERT_EQ(0, connection.Dial(
                     [&](ConnectionHandle, std::uint32_t message, int state, std::uint32_t,
                         std::uint32_t) {
                         EXPECT_EQ(DialService::kDialEventMessage, message);
                         states.push_back(state);
                     },
                     "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(kStateDisconnected, states.back());
    EXPECT_EQ(states.end(), std::adjacent_find(states.begin(), states.end()));
}

using test::EndedProcess;

TEST_F(PppdServiceTest, ARecordOfAnotherProcessIsNeverSignalled) {
    // Our own pid, recorded with another start time: a reused id, not the dialer.
    ConnectionRecord stale;
    stale.handle = ::getpid();
    stale.processStart = 1;
    stale.ownerPid = EndedProcess();
    stale.ownerStart = 1;
    stale.entryName = "VLGPRS";
    ConnectionRegistry registry(platform.dir + "/run");
    ASSERT_TRUE(registry.Add(stale));
    EXPECT_EQ(DialupError::kInvalidHandle, service->HangUp(stale.handle));
    ConnectionHandle handle = 0;
    EXPECT_FALSE(connection.IsConnected("VLGPRS", handle));
    // Its dialler is gone too, so the record is cleared away.
    EXPECT_TRUE(ConnRecords().empty());
}

TEST_F(PppdServiceTest, MissingDialerFailsTheDial) {
    PppdDialService::Options options = Options();
    options.program = platform.dir + "/no-such-pppd";
    PppdDialService missing(options, SystemClock::Instance());
    platform.UseDialer(&missing);
    EXPECT_EQ(DialupError::kPortNotAvailable, connection.Dial(nullptr, "*99***1#", "", ""));
    EXPECT_EQ(0, CurrentConnection);
    EXPECT_TRUE(ConnRecords().empty());
}

// pppd dials the card's fixed name: a dial whose device is another port is refused
// before pppd starts; the card's own port is dialled without naming it.
TEST_F(PppdServiceTest, PppdDialsOnlyTheCardsFixedName) {
    Session("gprs-connect.txt");
    PppdDialService::Options options = Options();
    options.cardDevice = platform.dir + "/veltrogprs0";
    fs::create_symlink("/dev/null", options.cardDevice);
    PppdDialService pinned(options, SystemClock::Instance());
    platform.UseDialer(&pinned);
    EXPECT_EQ(DialupError::kPortNotAvailable, connection.Dial(nullptr, "*99***1#", "", ""));
    EXPECT_TRUE(ConnRecords().empty());

    (*platform.devices)[0].port = "null";
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    EXPECT_EQ(1, connected);
    std::ifstream argsFile(platform.dir + "/args");
    std::vector<std::string> args;
    for (std::string line; std::getline(argsFile, line);) {
        args.push_back(line);
    }
    EXPECT_EQ(args.end(), std::find(args.begin(), args.end(), "/dev/null"));
    EXPECT_EQ(args.end(), std::find(args.begin(), args.end(), "connect"));
    EXPECT_EQ(1, connection.HangUp());
}

// The output of a failed dial holds the number and the addresses: private, also where
// an earlier run left the file and its folder open.
TEST_F(PppdServiceTest, FailedDialLogIsPrivate) {
    const std::string state = platform.dir + "/state";
    fs::create_directories(state + "/veltrogprs");
    fs::permissions(state + "/veltrogprs", fs::perms(0755));
    std::ofstream(state + "/veltrogprs/failed-dial.log") << "old\n";
    fs::permissions(state + "/veltrogprs/failed-dial.log", fs::perms(0644));
    const char* previous = std::getenv("XDG_STATE_HOME");
    const std::string kept = previous != nullptr ? previous : "";
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    Session("gprs-no-carrier.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    Follow(connection, connected);
    // The log is written as the dial's end is reaped, which may come after its status
    // (and, on a loaded machine, after Follow's limit): keep asking until it is there.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string text;
    while (fs::file_size(state + "/veltrogprs/failed-dial.log") <= 4 &&
           std::chrono::steady_clock::now() < end) {
        connection.GetDialStatus(text, connected);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (previous != nullptr) {
        ::setenv("XDG_STATE_HOME", kept.c_str(), 1);
    } else {
        ::unsetenv("XDG_STATE_HOME");
    }
    EXPECT_EQ(0, connected);
    struct stat info {};
    ASSERT_EQ(0, ::stat((state + "/veltrogprs").c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
    ASSERT_EQ(0, ::stat((state + "/veltrogprs/failed-dial.log").c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    EXPECT_GT(info.st_size, 4);
}

TEST_F(PppdServiceTest, UnrecordableDialLeavesNoLogOrPasswordBehind) {
    // A runtime folder whose path the record cannot hold: the dial cannot be recorded.
    PppdDialService::Options options = Options();
    options.runtimeDir = platform.dir + "/run\x01";
    fs::create_directories(options.runtimeDir);
    PppdDialService unrecordable(options, SystemClock::Instance());
    platform.UseDialer(&unrecordable);
    Session("gprs-connect.txt");
    EXPECT_EQ(DialupError::kPortNotAvailable,
              connection.Dial(nullptr, "*99***1#", "card", "secret"));
    std::vector<std::string> left;
    for (const auto& item : fs::directory_iterator(options.runtimeDir)) {
        left.push_back(item.path().filename().string());
    }
    EXPECT_TRUE(left.empty()) << ::testing::PrintToString(left);
}

TEST_F(PppdServiceTest, PasswordFileIsPrivateAndGoesWithTheConnection) {
    Session("gprs-connect.txt");
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "card", "secret"));
    const auto record = ConnectionRegistry(platform.dir + "/run").Find(CurrentConnection);
    ASSERT_TRUE(record.has_value());
    struct stat info {};
    ASSERT_EQ(0, ::stat(record->optionsPath.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    EXPECT_EQ(1, connection.HangUp());
    EXPECT_FALSE(fs::exists(record->optionsPath));
}

// This machine's own pppd on a pseudo-terminal: where the kernel has no PPP, the dial
// must end at once as disconnected, not hang until the caller's time limit.
TEST_F(PppdServiceTest, RealPppdWithoutKernelSupportEndsTheDial) {
    if (::access("/usr/sbin/pppd", X_OK) != 0 || fs::exists("/dev/ppp")) {
        GTEST_SKIP() << "needs pppd on a kernel without PPP";
    }
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, ::grantpt(master));
    ASSERT_EQ(0, ::unlockpt(master));
    const std::string slave = ::ptsname(master);
    (*platform.devices)[0].port = slave.substr(5);
    PppdDialService::Options options = Options();
    options.program = "/usr/sbin/pppd";
    PppdDialService real(options, SystemClock::Instance());
    platform.UseDialer(&real);
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    int connected = 0;
    const auto seen = Follow(connection, connected);
    EXPECT_EQ("已断开.", seen.back());
    EXPECT_EQ(DialupError::kNoConnection, connection.Status.error);
    ::close(master);
}

// Two dials of the entry at the same moment (two processes' services): one dialer is
// started, and the second dial joins it.
TEST_F(PppdServiceTest, SimultaneousDialsStartOneDialer) {
    Session("gprs-connect.txt");
    PppdDialService other(Options(), SystemClock::Instance());
    DialRequest request;
    request.entryName = "VLGPRS";
    request.device = {"modem", kModem, "ttyUSB0"};
    request.lineSpeed = 115200;
    request.phoneNumber = "*99***1#";
    for (int round = 0; round < 5; ++round) {
        ConnectionHandle first = 0;
        ConnectionHandle second = 0;
        std::thread a([&] { EXPECT_EQ(0, service->Dial(request, first)); });
        std::thread b([&] { EXPECT_EQ(0, other.Dial(request, second)); });
        a.join();
        b.join();
        EXPECT_EQ(first, second);
        EXPECT_EQ(1u, ConnRecords().size());
        EXPECT_EQ(0, service->HangUp(first));
    }
}

// The records are read as untrusted input: no signal to an implausible pid, no file
// removed outside the folder, no folder that others may write into.
TEST_F(PppdServiceTest, RecordsAreNotTrusted) {
    const std::string dir = platform.dir + "/run";
    const std::string outside = platform.dir + "/precious.txt";
    std::ofstream(outside) << "keep";
    for (const char* pid : {"1", "0", "-1", "99999999999"}) {
        std::ofstream(dir + "/" + pid + ".conn")
            << "[connection]\nPid=" << pid << "\nPidStart=1\nOwner=" << pid
            << "\nOwnerStart=1\nEntry=VLGPRS\nLog=" << outside << "\n";
    }
    EXPECT_TRUE(ConnectionRegistry(dir).List().empty());
    EXPECT_FALSE(ConnectionRegistry(dir).Find(1).has_value());
    EXPECT_EQ(DialupError::kInvalidHandle, service->HangUp(1));

    ConnectionRecord record;
    record.handle = 4242;
    record.logPath = outside;
    record.optionsPath = dir + "/../precious.txt";
    ConnectionRegistry(dir).Remove(record);
    EXPECT_TRUE(fs::exists(outside));
    record.logPath = dir + "/dial-abc.log";
    std::ofstream(record.logPath) << "log";
    ConnectionRegistry(dir).Remove(record);
    EXPECT_FALSE(fs::exists(record.logPath));

    const std::string open = platform.dir + "/open";
    fs::create_directories(open);
    fs::permissions(open, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read |
                              fs::perms::others_exec);
    ::setenv("VELTROGPRS_RUNTIME_DIR", open.c_str(), 1);
    EXPECT_EQ("", DialupPaths::RuntimeDir());
    fs::permissions(open, fs::perms::owner_all);
    EXPECT_EQ(open, DialupPaths::RuntimeDir());
    ::unsetenv("VELTROGPRS_RUNTIME_DIR");
}

}  // namespace
}  // namespace veltro
