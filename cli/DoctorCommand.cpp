#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/DoctorChecks.h"
#include "cli/SystemFacts.h"

namespace veltro::cli {

namespace {

// One line per check; success only when a dial could work.
int RunDoctor(CliContext& context, const std::vector<std::string>&) {
    const DoctorFacts facts = SystemFacts::Gather(ModemDeviceClass::SystemRoots{});
    int problems = 0;
    for (const DoctorFinding& finding : DoctorChecks::Run(facts)) {
        context.Out() << finding.Line() << '\n';
        problems += finding.verdict == DoctorFinding::Verdict::Fail ? 1 : 0;
    }
    if (problems == 0) {
        context.Out() << "a dial can work\n";
        return kExitSuccess;
    }
    context.Out() << problems << (problems == 1 ? " problem" : " problems")
                  << " to fix before a dial can work\n";
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
