#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ScriptedModemTest.h"

namespace veltro {
namespace {

using SlowAnswerTest = test::ScriptedModemTest;

// A modem that never falls silent: one byte every 60 ms for two minutes, less than the
// 100 ms the engine waits for the line to go quiet.
void Trickle(test::ScriptedLine& line, const std::string& text) {
    for (std::uint32_t i = 0; i < 2000; ++i) {
        line.Inject(std::string(1, text[i % text.size()]), 60 * i);
    }
}

TEST_F(SlowAnswerTest, AReadEndsWithinItsLimitsWhileTheLineTrickles) {
    Trickle(Line(),
            "\r\n+CMGR: 1,,25\r\n0791198948004544040C9119894882006200007050307040042206\r\n");
    const std::uint64_t start = clock.NowMs();
    ReceivedMessage message;
    engine->ReadMessage("1", &message);
    // Before, each quiet drain read on for as long as bytes kept coming: two minutes.
    EXPECT_LE(clock.NowMs() - start, 10000u);
}

TEST_F(SlowAnswerTest, AListingEndsWithinItsLimitsWhileTheLineTrickles) {
    shared->rules.push_back({"AT+CMGF=0", "\r\nOK\r\n"});
    Trickle(Line(), "\r\n+CMGL: 1,0,,3\r\n0044AB12\r\nline noise ");
    const std::uint64_t start = clock.NowMs();
    std::array<ModemEngine::MessageIndexSlot, 50> slots{};
    int count = 0;
    engine->ListMessages(slots, &count, true);
    EXPECT_LE(clock.NowMs() - start, 25000u);
    EXPECT_GE(count, 1);
}

}  // namespace
}  // namespace veltro
