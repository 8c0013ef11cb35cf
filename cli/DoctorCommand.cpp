#include <string>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DoctorChecks.h"
#include "cli/SystemFacts.h"

namespace veltro::cli {

namespace {

const char* VerdictName(DoctorFinding::Verdict verdict) {
    switch (verdict) {
        case DoctorFinding::Verdict::Ok:
            return "ok";
        case DoctorFinding::Verdict::Note:
            return "note";
        case DoctorFinding::Verdict::Fail:
            break;
    }
    return "fail";
}

// One line per check; success only when a dial could work.
int RunDoctor(CliContext& context, const std::vector<std::string>&) {
    const DoctorFacts facts = SystemFacts::Gather(ModemDeviceClass::SystemRoots{});
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& findings = output.Object()["findings"] =
        nlohmann::ordered_json::array();
    int problems = 0;
    for (const DoctorFinding& finding : DoctorChecks::Run(facts)) {
        output.Line(finding.Line());
        findings.push_back({{"verdict", VerdictName(finding.verdict)},
                            {"subject", finding.subject},
                            {"text", finding.text}});
        problems += finding.verdict == DoctorFinding::Verdict::Fail ? 1 : 0;
    }
    output.Object()["problems"] = problems;
    if (problems == 0) {
        output.Line("a dial can work");
        return kExitSuccess;
    }
    output.Line(std::to_string(problems) + (problems == 1 ? " problem" : " problems") +
                " to fix before a dial can work");
    return kExitFailure;
}

constexpr CliCommand kCommands[] = {
    {"doctor", "", 0, 0, RunDoctor},
};

}  // namespace

std::span<const CliCommand> DoctorCommands() {
    return kCommands;
}

}  // namespace veltro::cli
