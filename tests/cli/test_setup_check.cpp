#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// One run of the command line after something happened to the card: whether it sets
// the card up in full again.
struct Step {
    const char* what;
    std::function<void(vcard::CardModem&, std::uint64_t)> happen;
    bool fullSetup;
};

// A card set up by one run is only checked by the next, until it loses power or its
// state is changed behind the program's back; then it is set up in full again.
TEST(SetupCheckTest, ShortCheckFallsBackToFullSetupWhenTheCardNeedsIt) {
    ::unsetenv("VELTROGPRS_PORT_SCAN");
    ManualClock clock;
    auto shared = std::make_shared<CardLine::Shared>();
    const auto nothing = [](vcard::CardModem&, std::uint64_t) {};
    const auto send = [](const char* line) {
        return [line](vcard::CardModem& card, std::uint64_t now) {
            card.Receive(line, card.BaudRate(), now);
            card.TakeOutput(now + 1000);
        };
    };
    const Step steps[] = {
        {"first use after power-up", nothing, true},
        {"set up by the last run", nothing, false},
        {"replugged", [](vcard::CardModem& card, std::uint64_t) { card.PowerCycle(); }, true},
        {"set up again", nothing, false},
        {"echo turned on", send("ATE1\r"), true},
        {"auto-answer turned on", send("ATS0=2\r"), true},
        {"text mode left on", send("AT+CMGF=1\r"), true},
        {"still set up", nothing, false},
    };
    for (const Step& step : steps) {
        std::size_t heardBefore = 0;
        {
            std::lock_guard lock(shared->mutex);
            step.happen(shared->modem, clock.NowMs());
            heardBefore = shared->modem.ReceivedLines().size();
        }
        std::ostringstream out;
        std::ostringstream err;
        const std::uint64_t start = clock.NowMs();
        ASSERT_EQ(kExitSuccess,
                  RunCommandLine({"--port", "pts/7", "status"}, kGroups,
                                 CliEnvironment{clock, CardLine::Factory(clock, shared), out, err}))
            << step.what << ": " << err.str();
        const std::uint64_t tookMs = clock.NowMs() - start;
        EXPECT_EQ("sim: ready\ngprs: 1\nsignal: 20\n", out.str()) << step.what;
        std::lock_guard lock(shared->mutex);
        const auto& lines = shared->modem.ReceivedLines();
        const bool fullSetup = std::find(lines.begin() + static_cast<std::ptrdiff_t>(heardBefore),
                                         lines.end(), "AT+CNMI=0,1,0,0,0") != lines.end();
        EXPECT_EQ(step.fullSetup, fullSetup) << step.what;
        if (!step.fullSetup) {
            // Only the probe, the port's open and the status dialogue wait; the
            // set-up's eight pauses of 400 ms do not.
            EXPECT_LT(tookMs, 3000u) << step.what;
        }
    }
}

}  // namespace
}  // namespace veltro::cli
