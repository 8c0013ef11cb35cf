// The real pppd checks the options of a dial as an ordinary user would meet them: the
// installed peers file plus the command line the program passes, run as nobody in the
// groups dip and dialout, in pppd's dry-run mode (parse and check every option, then
// exit before touching the line).
//
// The peers file is put in place in a private mount namespace, so the test neither
// needs nor changes /etc/ppp/peers. Where the kernel has no PPP (no /dev/ppp, as in
// many containers), the namespace also gets a /dev whose ppp node is /dev/null: pppd
// only opens it to see that PPP is there before the dry run ends.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "dialup/DialupConnection.h"
#include "dialup/PppdCommandLine.h"

namespace veltro {
namespace {

constexpr char kPppd[] = "/usr/sbin/pppd";

constexpr char kNamespaceScript[] = R"(
set -e
peers=$1; shift
stage=$(mktemp -d)
mkdir "$stage/peers" "$stage/dev"
cp "$peers" "$stage/peers/veltrogprs"
chown root:root "$stage/peers/veltrogprs"; chmod 0644 "$stage/peers/veltrogprs"
chown root:dip "$stage/peers"; chmod 2750 "$stage/peers"
mount --bind "$stage/peers" /etc/ppp/peers
if [ ! -e /dev/ppp ]; then
    mount --rbind /dev "$stage/dev"
    mount -t tmpfs -o mode=755 tmpfs /dev
    for node in null zero tty random urandom; do
        touch "/dev/$node"; mount --bind "$stage/dev/$node" "/dev/$node"
    done
    mkdir /dev/pts; mount --rbind "$stage/dev/pts" /dev/pts
    touch /dev/ppp; mount --bind "$stage/dev/null" /dev/ppp
fi
exec runuser -u nobody -g dip -G dialout -- "$@" dryrun
)";

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome RunCommand(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& arg : args) {
        command += PppdCommandLine::ShellQuote(arg) + " ";
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

// pppd's dry run of these arguments as nobody, with the repository's peers file.
Outcome DryRun(const std::vector<std::string>& pppdArgs) {
    std::vector<std::string> args = {"unshare",        "-m", "sh", "-c", kNamespaceScript, "sh",
                                     VELTRO_PEERS_FILE};
    args.insert(args.end(), pppdArgs.begin(), pppdArgs.end());
    return RunCommand(args);
}

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
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(0, ::grantpt(master_));
        ASSERT_EQ(0, ::unlockpt(master_));
        port_ = std::string(::ptsname(master_)).substr(5);
    }
    void TearDown() override {
        if (master_ >= 0) {
            ::close(master_);
        }
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
        return PppdCommandLine::Build(request, kPppd, "/usr/sbin/chat", "");
    }

    int master_ = -1;
    std::string port_;
};

TEST_F(PppdDryRun, AcceptsTheDialOfAnOrdinaryUser) {
    const Outcome run = DryRun(DialArguments());
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("privilege")) << run.output;
    // The root-only options came from the peers file, the rest from the command line.
    EXPECT_NE(std::string::npos, run.output.find("noauth\t\t# (from /etc/ppp/peers/veltrogprs)"))
        << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find("replacedefaultroute\t\t# (from /etc/ppp/peers/veltrogprs)"))
        << run.output;
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

}  // namespace
}  // namespace veltro
