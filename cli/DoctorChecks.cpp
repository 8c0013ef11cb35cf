#include "cli/DoctorChecks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "cli/CliContext.h"
#include "dialup/PppdCommandLine.h"

namespace veltro::cli {

namespace {

using Verdict = DoctorFinding::Verdict;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

DoctorFinding Ok(std::string subject, std::string text) {
    return {Verdict::Ok, std::move(subject), std::move(text)};
}

DoctorFinding Fail(std::string subject, std::string text) {
    return {Verdict::Fail, std::move(subject), std::move(text)};
}

// How the user gets into group: join it, or log in again when the account is in it
// but this session started before.
std::string JoinAdvice(const DoctorFacts& facts, const std::string& group) {
    if (Contains(facts.accountGroups, group)) {
        return "the account is in group " + group +
               " but this session is not yet; log out and in again";
    }
    return "join group " + group + ": sudo adduser " + facts.user + ' ' + group +
           ", then log out and in again";
}

}  // namespace

std::string DoctorFinding::Line() const {
    const char* word = verdict == Verdict::Ok     ? "ok    "
                       : verdict == Verdict::Note ? "note  "
                                                  : "FAIL  ";
    return word + subject + ": " + text;
}

std::string DoctorChecks::Describe(const FileFacts& file) {
    char mode[8];
    std::snprintf(mode, sizeof(mode), "%04o", static_cast<unsigned>(file.mode & 07777));
    const std::string owner = file.ownerName.empty() ? std::to_string(file.owner) : file.ownerName;
    const std::string group = file.groupName.empty() ? std::to_string(file.group) : file.groupName;
    return owner + ':' + group + ' ' + mode;
}

std::vector<DoctorFinding> DoctorChecks::DeviceTable(const DoctorFacts& facts) {
    std::string where = ModemDeviceClass::SourceName(facts.source);
    if (facts.source == DeviceSource::Table) {
        where += ' ' + facts.tablePath;
    }
    if (facts.ports.empty()) {
        return {Fail("device table",
                     std::string("no instance is named \"") + CliContext::kModemDeviceName +
                         "\" (" + std::to_string(facts.instanceCount) + " instances, from " +
                         where +
                         "); plug in the card, or enter its AT port with: veltrogprs-cli device "
                         "add PORT (veltrogprs-cli device list shows the ports)")};
    }
    std::string found;
    for (const PortFacts& port : facts.ports) {
        found += (found.empty() ? "" : ", ") + port.instance + ' ' + port.name;
    }
    return {Ok("device table", found + " (from " + where + ")")};
}

std::vector<DoctorFinding> DoctorChecks::Ports(const DoctorFacts& facts) {
    std::vector<DoctorFinding> findings;
    for (const PortFacts& port : facts.ports) {
        const std::string subject = "port " + port.name;
        const std::string path = "/dev/" + port.name;
        if (!port.file.exists) {
            findings.push_back(Fail(subject, path +
                                                 " does not exist; plug in the card, or mend "
                                                 "instance " +
                                                 port.instance +
                                                 " with veltrogprs-cli device remove/add"));
        } else if (!S_ISCHR(port.file.mode)) {
            findings.push_back(Fail(subject, path + " is not a character device"));
        } else if (!port.file.readWrite) {
            findings.push_back(Fail(subject, path + " is " + Describe(port.file) +
                                                 " and this user may not open it; " +
                                                 JoinAdvice(facts, port.file.groupName)));
        } else {
            findings.push_back(Ok(subject, Describe(port.file) + ", readable and writable"));
        }
    }
    return findings;
}

std::vector<DoctorFinding> DoctorChecks::Groups(const DoctorFacts& facts) {
    if (facts.root) {
        return {Ok("groups", "running as root")};
    }
    // The groups that own the card's ports (dialout) and pppd (dip).
    std::vector<std::string> needed;
    for (const PortFacts& port : facts.ports) {
        if (port.file.exists && !port.file.groupName.empty()) {
            needed.push_back(port.file.groupName);
        }
    }
    if (needed.empty()) {
        needed.push_back("dialout");
    }
    if (facts.pppd.exists && !facts.pppd.groupName.empty()) {
        needed.push_back(facts.pppd.groupName);
    }
    std::vector<DoctorFinding> findings;
    std::string member;
    for (const std::string& group : needed) {
        if (group == "root" || member.find(group) != std::string::npos) {
            continue;
        }
        if (Contains(facts.processGroups, group)) {
            member += (member.empty() ? "" : ", ") + group;
        } else {
            findings.push_back(Fail("groups", facts.user + " is not in group " + group + "; " +
                                                  JoinAdvice(facts, group)));
        }
    }
    if (findings.empty()) {
        findings.push_back(Ok("groups", facts.user + " is in " + (member.empty() ? "-" : member)));
    }
    return findings;
}

std::vector<DoctorFinding> DoctorChecks::Pppd(const DoctorFacts& facts) {
    const FileFacts& pppd = facts.pppd;
    if (!pppd.exists) {
        return {
            Fail("pppd", std::string(kPppdPath) + " is missing; install it: sudo apt install ppp")};
    }
    if (!pppd.executable) {
        return {Fail("pppd", std::string(kPppdPath) + " is " + Describe(pppd) +
                                 " and this user may not run it; " +
                                 JoinAdvice(facts, pppd.groupName))};
    }
    if (!facts.root && (pppd.owner != 0 || (pppd.mode & S_ISUID) == 0)) {
        return {Fail("pppd", std::string(kPppdPath) + " is " + Describe(pppd) +
                                 ", not set-user-id root, so only root can dial; restore it: sudo "
                                 "apt install --reinstall ppp")};
    }
    return {Ok("pppd", std::string(kPppdPath) + ' ' + Describe(pppd))};
}

std::vector<DoctorFinding> DoctorChecks::PeersFile(const DoctorFacts& facts) {
    const FileFacts& peers = facts.peers;
    const std::string subject = "peers file";
    if (!peers.exists) {
        return {Fail(subject, std::string(kPeersPath) +
                                  " is missing; reinstall veltrogprs: sudo apt install "
                                  "--reinstall veltrogprs")};
    }
    if (peers.owner != 0) {
        return {Fail(subject, std::string(kPeersPath) + " is " + Describe(peers) +
                                  "; pppd takes its options only from a root-owned file: sudo "
                                  "chown root:root " +
                                  kPeersPath)};
    }
    if ((peers.mode & (S_IWGRP | S_IWOTH)) != 0) {
        return {Fail(subject, std::string(kPeersPath) + " is " + Describe(peers) +
                                  " and others may change what pppd runs: sudo chmod 644 " +
                                  kPeersPath)};
    }
    return {Ok(subject, std::string(kPeersPath) + ' ' + Describe(peers))};
}

std::vector<DoctorFinding> DoctorChecks::FixedName(const DoctorFacts& facts) {
    const std::string subject = "fixed name";
    const std::string name = PppdCommandLine::kCardDevice;
    const PortFacts* real = nullptr;
    for (const PortFacts& port : facts.ports) {
        if (port.name == facts.cardTarget && facts.card.exists) {
            return {Ok(subject, name + " -> " + port.name + " (instance " + port.instance + ")")};
        }
        if (real == nullptr && port.name.rfind("pts/", 0) != 0) {
            real = &port;
        }
    }
    if (real == nullptr) {
        return facts.ports.empty()
                   ? std::vector<DoctorFinding>{}
                   : std::vector<DoctorFinding>{Ok(subject,
                                                   "the virtual card dials through the stand-in "
                                                   "dialer and needs no fixed name")};
    }
    const std::string pin =
        "; pppd dials only that name: sudo veltrogprs-cli device pin " + real->name;
    if (!facts.card.exists) {
        return {Fail(subject, name + " is missing" + pin)};
    }
    return {Fail(subject,
                 name + " -> " + facts.cardTarget + ", not the card's port " + real->name + pin)};
}

std::vector<DoctorFinding> DoctorChecks::KernelPpp(const DoctorFacts& facts) {
    if (facts.devPpp.exists && S_ISCHR(facts.devPpp.mode)) {
        return {Ok("kernel PPP", "/dev/ppp is there")};
    }
    if (facts.pppModuleLoaded) {
        return {Fail("kernel PPP",
                     "ppp_generic is loaded but /dev/ppp is missing; make it: sudo mknod -m 600 "
                     "/dev/ppp c 108 0")};
    }
    return {Fail("kernel PPP", "/dev/ppp is missing; load PPP support: sudo modprobe ppp_generic")};
}

std::vector<DoctorFinding> DoctorChecks::ModemManager(const DoctorFacts& facts) {
    if (!facts.modemManagerRunning) {
        return {Ok("ModemManager", "not running")};
    }
    std::vector<DoctorFinding> findings;
    for (const PortFacts& port : facts.ports) {
        if (!port.modemManagerIgnores) {
            findings.push_back(Fail(
                "ModemManager",
                "running and may take " + port.name +
                    " (not marked ID_MM_DEVICE_IGNORE); reload the installed udev rules: sudo "
                    "udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=tty, "
                    "or stop it: sudo systemctl stop ModemManager"));
        }
    }
    if (findings.empty()) {
        findings.push_back(Ok("ModemManager", "running, leaves the card alone"));
    }
    return findings;
}

std::vector<DoctorFinding> DoctorChecks::Lock(const DoctorFacts& facts) {
    if (facts.windowRunning) {
        return {{Verdict::Note, "window",
                 "veltrogprs runs (it holds " + facts.lockPath +
                     ") and keeps the card's port; dial from its window, or close it before "
                     "using the card from veltrogprs-cli"}};
    }
    return {Ok("window", "veltrogprs does not run")};
}

std::vector<DoctorFinding> DoctorChecks::Run(const DoctorFacts& facts) {
    std::vector<DoctorFinding> all;
    for (auto check :
         {DeviceTable, Ports, Groups, Pppd, PeersFile, FixedName, KernelPpp, ModemManager, Lock}) {
        auto findings = check(facts);
        all.insert(all.end(), findings.begin(), findings.end());
    }
    return all;
}

}  // namespace veltro::cli
