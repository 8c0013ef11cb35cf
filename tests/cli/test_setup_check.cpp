#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

#include "CardLine.h"
#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"

namespace veltro::cli {
namespace {

using test::CardLine;
using test::ManualClock;

constexpr CommandGroup kGroups[] = {StatusCommands};

// A card set up by one run is only checked by the next, until it is replugged (powered
// up again) or a setting is changed behind the program's back (a line sent to it).
TEST(SetupCheckTest, ShortCheckFallsBackToFullSetupWhenTheCardNeedsIt) {
    ::unsetenv("VELTROGPRS_PORT_SCAN");
    ManualClock clock;
    auto shared = std::make_shared<CardLine::Shared>();
    const struct {
        bool replug;
        const char* sent;
        bool fullSetup;
    } steps[] = {{false, nullptr, true},       {false, nullptr, false}, {true, nullptr, true},
                 {false, nullptr, false},      {false, "ATE1\r", true}, {false, "ATS0=2\r", true},
                 {false, "AT+CMGF=1\r", true}, {false, nullptr, false}};
    for (const auto& step : steps) {
        const std::string what = std::to_string(&step - steps);
        std::size_t heardBefore = 0;
        {
            std::lock_guard lock(shared->mutex);
            if (step.replug) {
                shared->modem.PowerCycle();
            } else if (step.sent != nullptr) {
                shared->modem.Receive(step.sent, 115200, clock.NowMs());
                shared->modem.TakeOutput(clock.NowMs() + 1000);
            }
            heardBefore = shared->modem.ReceivedLines().size();
        }
        std::ostringstream out;
        std::ostringstream err;
        const std::uint64_t start = clock.NowMs();
        ASSERT_EQ(kExitSuccess,
                  RunCommandLine({"--port", "pts/7", "status"}, kGroups,
                                 CliEnvironment{clock, CardLine::Factory(clock, shared), out, err}))
            << what << ": " << err.str();
        EXPECT_EQ("sim: ready\ngprs: 1\nsignal: 20\n", out.str()) << what;
        std::lock_guard lock(shared->mutex);
        const auto& lines = shared->modem.ReceivedLines();
        EXPECT_EQ(step.fullSetup,
                  std::find(lines.begin() + static_cast<std::ptrdiff_t>(heardBefore), lines.end(),
                            "AT+CNMI=0,1,0,0,0") != lines.end())
            << what;
        // Without the set-up's eight pauses of 400 ms only the probe, the port's open and
        // the status dialogue take time.
        EXPECT_EQ(step.fullSetup, clock.NowMs() - start > 3000u) << what;
    }
}

}  // namespace
}  // namespace veltro::cli
