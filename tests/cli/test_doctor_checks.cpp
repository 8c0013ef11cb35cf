#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "cli/DoctorChecks.h"
#include "cli/SystemFacts.h"

namespace veltro::cli {
namespace {

using Verdict = DoctorFinding::Verdict;

FileFacts Owned(const char* owner, const char* group, mode_t mode) {
    FileFacts file;
    file.exists = true;
    file.owner = std::string(owner) == "root" ? 0 : 1000;
    file.ownerName = owner;
    file.groupName = group;
    file.mode = mode;
    file.readWrite = true;
    file.executable = true;
    return file;
}

// A machine where a dial works: an ordinary user in dialout and dip, a Debian pppd,
// the installed peers file, /dev/ppp, the card on ttyUSB0 marked for ModemManager.
DoctorFacts Healthy() {
    DoctorFacts facts;
    facts.user = "anna";
    facts.processGroups = {"anna", "dialout", "dip"};
    facts.accountGroups = facts.processGroups;
    facts.pppd = Owned("root", "dip", S_IFREG | S_ISUID | 0754);
    facts.peers = Owned("root", "root", S_IFREG | 0644);
    facts.devPpp = Owned("root", "root", S_IFCHR | 0600);
    facts.pppModuleLoaded = true;
    facts.modemManagerRunning = true;
    facts.source = DeviceSource::Udev;
    facts.instanceCount = 1;
    facts.ports = {{"0000", "ttyUSB0", Owned("root", "dialout", S_IFCHR | 0660), true}};
    facts.card = facts.ports[0].file;
    facts.cardTarget = "ttyUSB0";
    facts.lockPath = "/run/user/1000/veltrogprs.lock";
    return facts;
}

// The only Fail among all findings, with its line.
std::string OnlyFailure(const DoctorFacts& facts) {
    std::vector<std::string> failures;
    for (const DoctorFinding& finding : DoctorChecks::Run(facts)) {
        if (finding.verdict == Verdict::Fail) {
            failures.push_back(finding.Line());
        }
    }
    EXPECT_EQ(1u, failures.size());
    return failures.empty() ? std::string() : failures.front();
}

void ExpectHas(const std::string& line, const std::string& part) {
    EXPECT_NE(std::string::npos, line.find(part)) << line << "\n  lacks: " << part;
}

TEST(DoctorChecksTest, HealthyMachinePassesEveryCheck) {
    const auto findings = DoctorChecks::Run(Healthy());
    for (const DoctorFinding& finding : findings) {
        EXPECT_EQ(Verdict::Ok, finding.verdict) << finding.Line();
    }
    EXPECT_EQ("ok    port ttyUSB0: root:dialout 0660, readable and writable",
              DoctorChecks::Ports(Healthy()).front().Line());
    EXPECT_EQ("ok    pppd: /usr/sbin/pppd root:dip 4754",
              DoctorChecks::Pppd(Healthy()).front().Line());
}

TEST(DoctorChecksTest, DeviceTableAndPortProblemsSayWhatToDo) {
    DoctorFacts facts = Healthy();
    facts.ports.clear();
    facts.source = DeviceSource::Sysfs;
    facts.instanceCount = 2;
    ExpectHas(OnlyFailure(facts),
              "FAIL  device table: no instance is named \"VeltroGSM无线调制解调器\" (2 instances, "
              "from sysfs)");
    ExpectHas(OnlyFailure(facts), "veltrogprs-cli device add PORT");

    facts = Healthy();
    facts.ports[0].file = FileFacts{};
    ExpectHas(OnlyFailure(facts), "/dev/ttyUSB0 does not exist; plug in the card");

    facts = Healthy();
    facts.ports[0].file.readWrite = false;
    facts.processGroups = {"anna", "dip"};
    facts.accountGroups = facts.processGroups;
    // The port and the group check both say it, each with the same advice.
    const auto findings = DoctorChecks::Run(facts);
    int failures = 0;
    for (const DoctorFinding& finding : findings) {
        if (finding.verdict == Verdict::Fail) {
            ++failures;
            ExpectHas(finding.Line(), "sudo adduser anna dialout, then log out and in again");
        }
    }
    EXPECT_EQ(2, failures);
}

TEST(DoctorChecksTest, GroupsJoinedButNotYetInThisSessionAskForANewLogin) {
    DoctorFacts facts = Healthy();
    facts.processGroups = {"anna", "dialout"};
    ExpectHas(OnlyFailure(facts),
              "FAIL  groups: anna is not in group dip; the account is in group "
              "dip but this session is not yet; log out and in again");
    facts.root = true;
    EXPECT_EQ("ok    groups: running as root", DoctorChecks::Groups(facts).front().Line());
}

TEST(DoctorChecksTest, PppdAndItsPeersFileMustBeUsableAndSafe) {
    DoctorFacts facts = Healthy();
    facts.pppd = FileFacts{};
    ExpectHas(OnlyFailure(facts), "sudo apt install ppp");

    facts = Healthy();
    facts.pppd.mode = S_IFREG | 0755;
    ExpectHas(OnlyFailure(facts), "not set-user-id root");

    facts = Healthy();
    facts.pppd.executable = false;
    facts.processGroups = {"anna", "dialout"};
    facts.accountGroups = facts.processGroups;
    ExpectHas(DoctorChecks::Pppd(facts).front().Line(),
              "FAIL  pppd: /usr/sbin/pppd is root:dip 4754 and this user may not run it; join "
              "group dip");

    facts = Healthy();
    facts.peers = FileFacts{};
    ExpectHas(OnlyFailure(facts), "/etc/ppp/peers/veltrogprs is missing; reinstall veltrogprs");
    facts = Healthy();
    facts.peers = Owned("anna", "anna", S_IFREG | 0644);
    ExpectHas(OnlyFailure(facts), "sudo chown root:root /etc/ppp/peers/veltrogprs");
    facts = Healthy();
    facts.peers.mode = S_IFREG | 0666;
    ExpectHas(OnlyFailure(facts),
              "root:root 0666 and others may change what pppd runs: sudo chmod 644");
    facts.peers.mode = S_IFREG | 0664;
    ExpectHas(OnlyFailure(facts), "sudo chmod 644");
}

// pppd dials only the fixed name: it must exist and name the card's port.
TEST(DoctorChecksTest, FixedNameMustNameTheCard) {
    DoctorFacts facts = Healthy();
    EXPECT_EQ("ok    fixed name: /dev/veltrogprs0 -> ttyUSB0 (instance 0000)",
              DoctorChecks::FixedName(facts).at(0).Line());
    facts.cardTarget = "ttyUSB2";
    EXPECT_EQ(
        "FAIL  fixed name: /dev/veltrogprs0 -> ttyUSB2, not the card's port ttyUSB0; pppd "
        "dials only that name: sudo veltrogprs-cli device pin ttyUSB0",
        OnlyFailure(facts));
    facts.card = FileFacts{};
    facts.cardTarget.clear();
    EXPECT_EQ(
        "FAIL  fixed name: /dev/veltrogprs0 is missing; pppd dials only that name: sudo "
        "veltrogprs-cli device pin ttyUSB0",
        OnlyFailure(facts));
    facts.ports[0].name = "pts/4";
    EXPECT_EQ(Verdict::Ok, DoctorChecks::FixedName(facts).at(0).verdict);
}

TEST(DoctorChecksTest, KernelPppModemManagerAndTheWindow) {
    DoctorFacts facts = Healthy();
    facts.devPpp = FileFacts{};
    facts.pppModuleLoaded = false;
    ExpectHas(OnlyFailure(facts), "sudo modprobe ppp_generic");
    facts.pppModuleLoaded = true;
    ExpectHas(OnlyFailure(facts), "sudo mknod -m 600 /dev/ppp c 108 0");

    facts = Healthy();
    facts.ports[0].modemManagerIgnores = false;
    ExpectHas(OnlyFailure(facts), "FAIL  ModemManager: running and may take ttyUSB0");
    facts.modemManagerRunning = false;
    EXPECT_EQ("ok    ModemManager: not running", DoctorChecks::ModemManager(facts).front().Line());

    // A running window is worth knowing but does not stop a dial from it.
    facts = Healthy();
    facts.windowRunning = true;
    const auto lock = DoctorChecks::Lock(facts);
    EXPECT_EQ(Verdict::Note, lock.front().verdict);
    ExpectHas(lock.front().Line(), "holds /run/user/1000/veltrogprs.lock");
}

TEST(SystemFactsTest, SeesFileModesAndHeldLocks) {
    const std::string path = testing::TempDir() + "doctor-lock-" + std::to_string(::getpid());
    { std::ofstream(path) << "x"; }
    ::chmod(path.c_str(), 0640);
    const FileFacts file = SystemFacts::File(path);
    EXPECT_TRUE(file.exists);
    EXPECT_EQ(0640u, file.mode & 07777);
    EXPECT_FALSE(SystemFacts::File(path + ".missing").exists);

    EXPECT_FALSE(SystemFacts::Locked(path));
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::flock(fd, LOCK_EX | LOCK_NB));
    EXPECT_TRUE(SystemFacts::Locked(path));
    ::close(fd);
    EXPECT_FALSE(SystemFacts::Locked(path));
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace veltro::cli
