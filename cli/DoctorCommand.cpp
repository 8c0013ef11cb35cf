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

// With --port: whether the card there answers, and whether its maker is one the
// program knows (another maker's card is driven with the standard commands only).
std::vector<DoctorFinding> NamedCard(CliContext& context) {
    const std::string& port = context.Options().port;
    if (port.empty()) {
        return {};
    }
    ModemEngine& engine = context.Engine();
    const std::string subject = "card on " + port;
    if (port.size() >= ModemEngine::kPortNameSize || !engine.ProbeNamedPort(port.c_str())) {
        return {{DoctorFinding::Verdict::Fail, subject, "no card answers AT+CGMI there"}};
    }
    if (engine.MakerKnown()) {
        return {{DoctorFinding::Verdict::Ok, subject, "a card this program knows"}};
    }
    return {{DoctorFinding::Verdict::Note, subject,
             "maker \"" + engine.Maker() +
                 "\" is not one this program knows: only the standard 3GPP TS 27.007 "
                 "commands are used"}};
}

// One line per check; success only when a dial could work.
int RunDoctor(CliContext& context, const std::vector<std::string>&) {
    const DoctorFacts facts = SystemFacts::Gather(ModemDeviceClass::SystemRoots{});
    CommandOutput& output = context.Output();
    nlohmann::ordered_json& findings = output.Object()["findings"] =
        nlohmann::ordered_json::array();
    int problems = 0;
    std::vector<DoctorFinding> all = DoctorChecks::Run(facts);
    for (DoctorFinding& finding : NamedCard(context)) {
        all.push_back(std::move(finding));
    }
    for (const DoctorFinding& finding : all) {
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
