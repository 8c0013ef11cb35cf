// The real pppd checks the options of a dial as an ordinary user would meet them: the
// installed peers file plus the command line the program passes, run as nobody in the
// groups dip and dialout, in pppd's dry-run mode (parse and check every option, then
// exit before touching the line), and for real up to the connect script, which is
// where a tty of the user's choosing is refused.
//
// The peers file is put in place in a private mount namespace, so the test neither
// needs nor changes /etc/ppp/peers. The namespace gets a /dev of its own in which the
// card's fixed name /dev/veltrogprs0 is this test's pseudo-terminal; where the kernel
// has no PPP (no /dev/ppp, as in many containers), its ppp node is /dev/null: pppd
// only opens it to see that PPP is there, and no run here gets as far as PPP.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dialup/DialupConnection.h"
#include "dialup/PppdCommandLine.h"

namespace veltro {
namespace {

constexpr char kPppd[] = "/usr/sbin/pppd";

constexpr char kNamespaceScript[] = R"(
set -e
peers=$1; card=$2; mode=$3; shift 3
stage=$(mktemp -d)
mkdir "$stage/peers" "$stage/dev"
cp "$peers" "$stage/peers/veltrogprs"
chown root:root "$stage/peers/veltrogprs"; chmod 0644 "$stage/peers/veltrogprs"
chown root:dip "$stage/peers"; chmod 2750 "$stage/peers"
mount --bind "$stage/peers" /etc/ppp/peers
mount --rbind /dev "$stage/dev"
mount -t tmpfs -o mode=755 tmpfs /dev
for node in null zero tty random urandom ppp; do
    touch "/dev/$node"
    if [ -e "$stage/dev/$node" ]; then source="$stage/dev/$node"; else source="$stage/dev/null"; fi
    mount --bind "$source" "/dev/$node"
done
mkdir /dev/pts; mount --rbind "$stage/dev/pts" /dev/pts
ln -s "$card" /dev/veltrogprs0
exec runuser -u nobody -g dip -G dialout -- "$@" $mode
)";

struct Outcome {
    int status = -1;
    std::string output;
};

// text as one word for /bin/sh.
std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome RunCommand(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& arg : args) {
        command += Quote(arg) + " ";
    }
    command += "2>&1";
    Outcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 512> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// pppd with these arguments as nobody, with the repository's peers file and card as
// the card's fixed name; mode "dryrun" or "" (a real run).
Outcome RunPppd(const std::string& card, const std::string& mode,
                const std::vector<std::string>& pppdArgs) {
    std::vector<std::string> args = {"unshare",         "-m", "sh", "-c", kNamespaceScript, "sh",
                                     VELTRO_PEERS_FILE, card, mode};
    args.insert(args.end(), pppdArgs.begin(), pppdArgs.end());
    return RunCommand(args);
}

// A pseudo-terminal: the master side stays with the test.
struct Terminal {
    Terminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            path = ::ptsname(master);
        }
    }
    ~Terminal() {
        if (master >= 0) {
            ::close(master);
        }
    }
    // What arrives on the master within limitMs, until text is seen.
    std::string ReadUntil(const std::string& text, int limitMs) {
        std::string seen;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 100) > 0) {
                char buffer[256];
                const ssize_t n = ::read(master, buffer, sizeof(buffer));
                if (n <= 0) {
                    break;
                }
                seen.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return seen;
    }
    int master = -1;
    std::string path;
};

class PppdDryRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "SKIPPED: pppd's dry run as another user needs root (to switch to "
                            "nobody and mount the peers file privately); run the tests as root";
        }
        if (::access(kPppd, X_OK) != 0) {
            GTEST_SKIP() << "SKIPPED: " << kPppd << " is missing; install the package ppp";
        }
        if (::getgrnam("dip") == nullptr || ::getgrnam("dialout") == nullptr) {
            GTEST_SKIP() << "SKIPPED: the groups dip and dialout do not exist here";
        }
        if (RunCommand({"unshare", "-m", "true"}).status != 0) {
            GTEST_SKIP() << "SKIPPED: no private mount namespace here (unshare -m failed)";
        }
        ASSERT_FALSE(card_.path.empty());
        port_ = card_.path.substr(5);
    }

    // The dial of the entry that CreateEntry makes, on this test's terminal.
    std::vector<std::string> DialArguments() const {
        DialRequest request;
        request.entryName = DialupConnection::kEntryName;
        request.entry.options = 0x11C;
        request.entry.localPhoneNumber = DialupConnection::kDialString;
        request.entry.deviceName = DialupConnection::kModemDeviceName;
        request.entry.ipaddrDns = DialupConnection::kPrimaryDns;
        request.entry.ipaddrDnsAlt = DialupConnection::kSecondaryDns;
        request.device = {"modem", DialupConnection::kModemDeviceName, port_};
        request.lineSpeed = 115200;
        request.phoneNumber = DialupConnection::kDialString;
        return PppdCommandLine::Build(request, kPppd, PppdCommandLine::kCardDevice, "");
    }

    Outcome DryRun(const std::vector<std::string>& args) const {
        return RunPppd(card_.path, "dryrun", args);
    }

    Terminal card_;
    std::string port_;
};

TEST_F(PppdDryRun, AcceptsTheDialOfAnOrdinaryUser) {
    const Outcome run = DryRun(DialArguments());
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("privilege")) << run.output;
    // The root-only options, the card and the connect script came from the peers file,
    // the rest from the command line.
    for (const char* option : {"noauth", "replacedefaultroute", "/dev/veltrogprs0", "connect "}) {
        // (pppd cuts a long value's line; its source follows it.)
        const std::size_t at = run.output.find(std::string("\n") + option);
        ASSERT_NE(std::string::npos, at) << option << "\n" << run.output;
        const std::size_t from = run.output.find("# (from ", at);
        EXPECT_EQ(from, run.output.find("# (from /etc/ppp/peers/veltrogprs)", at)) << option << "\n"
                                                                                   << run.output;
    }
    EXPECT_NE(std::string::npos, run.output.find("usepeerdns\t\t# (from command line)"))
        << run.output;
}

// The check is not blind: noauth on the command line, as dials passed it before the
// peers file, is what pppd refuses an ordinary user.
TEST_F(PppdDryRun, RefusesRootOptionsOnTheCommandLine) {
    std::vector<std::string> args = DialArguments();
    args.insert(args.begin() + 1, "noauth");
    const Outcome run = DryRun(args);
    EXPECT_NE(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("using the noauth option requires root privilege"))
        << run.output;
}

// A user's own tty and connect script with the peers file's noauth: refused.
TEST_F(PppdDryRun, RefusesATtyAndConnectScriptOfTheUsers) {
    Terminal own;
    std::vector<std::string> args = DialArguments();
    args.insert(args.end(), {own.path, "connect", "/bin/true", "defaultroute", "usepeerdns"});
    const Outcome run = DryRun(args);
    EXPECT_NE(0, run.status) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("connect option set in /etc/ppp/peers/veltrogprs cannot be "
                              "overridden"))
        << run.output;
}

// For real, up to the connect script. The program's dial sends the number to the card;
// a tty the user names (pppd lets the command line replace the peers file's device)
// meets the connect script's check and no dialogue starts on it.
TEST_F(PppdDryRun, ConnectScriptDialsOnlyTheCard) {
    Outcome dialled;
    std::thread dial([&] { dialled = RunPppd(card_.path, "", DialArguments()); });
    const std::string sent = card_.ReadUntil("\r", 15000);
    const std::string answer = "\r\nNO CARRIER\r\n";
    EXPECT_EQ(static_cast<ssize_t>(answer.size()),
              ::write(card_.master, answer.data(), answer.size()));
    dial.join();
    EXPECT_NE(std::string::npos, sent.find("ATD*99***1#\r")) << sent;
    EXPECT_NE(std::string::npos, dialled.output.find("Failed (NO CARRIER)")) << dialled.output;

    Terminal own;
    ::chmod(own.path.c_str(), 0666);
    std::vector<std::string> args = DialArguments();
    args.insert(args.begin() + 3, own.path);
    const Outcome run = RunPppd(card_.path, "", args);
    EXPECT_EQ(8, run.status) << run.output;  // pppd's "connect script failed"
    EXPECT_NE(std::string::npos,
              run.output.find("Can't dial: the line is not the card /dev/veltrogprs0"))
        << run.output;
    EXPECT_EQ("", own.ReadUntil("ATD", 200));
}

}  // namespace
}  // namespace veltro
