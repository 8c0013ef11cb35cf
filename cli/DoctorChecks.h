#pragma once

#include <string>
#include <vector>

#include "cli/DoctorFacts.h"

namespace veltro::cli {

// One line of "doctor": what was checked, what was found and, when it is a problem,
// what to do.
struct DoctorFinding {
    enum class Verdict { Ok, Note, Fail };
    Verdict verdict;
    std::string subject;
    std::string text;

    // "ok    subject: text", "note  ...", "FAIL  ...".
    std::string Line() const;
};

// The checks of "doctor" over gathered facts: the device table, each card port, the
// groups, pppd, its peers file, the card's fixed name, kernel PPP support, ModemManager
// and the window's lock.
// A dial can work when no finding is Fail.
class DoctorChecks {
public:
    static constexpr const char* kPppdPath = "/usr/sbin/pppd";
    static constexpr const char* kPeersPath = "/etc/ppp/peers/veltrogprs";

    static std::vector<DoctorFinding> Run(const DoctorFacts& facts);

    static std::vector<DoctorFinding> DeviceTable(const DoctorFacts& facts);
    static std::vector<DoctorFinding> Ports(const DoctorFacts& facts);
    static std::vector<DoctorFinding> Groups(const DoctorFacts& facts);
    static std::vector<DoctorFinding> Pppd(const DoctorFacts& facts);
    static std::vector<DoctorFinding> PeersFile(const DoctorFacts& facts);
    // pppd dials only /dev/veltrogprs0: it must name one of the card's ports.
    static std::vector<DoctorFinding> FixedName(const DoctorFacts& facts);
    static std::vector<DoctorFinding> KernelPpp(const DoctorFacts& facts);
    static std::vector<DoctorFinding> ModemManager(const DoctorFacts& facts);
    static std::vector<DoctorFinding> Lock(const DoctorFacts& facts);

    // "root:dialout 0660".
    static std::string Describe(const FileFacts& file);
};

}  // namespace veltro::cli
