#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "ScriptedModemTest.h"
#include "modem/CallerIdParser.h"
#include "modem/ModemEngine.h"

namespace veltro {
namespace {

struct CallerCase {
    const char* name;
    std::string buffer;
    std::optional<std::string> number;
};

class CallerIdTest : public ::testing::TestWithParam<CallerCase> {};

TEST_P(CallerIdTest, TakesTheNumberBetweenItsQuotes) {
    EXPECT_EQ(GetParam().number, CallerIdParser::Parse(GetParam().buffer));
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, CallerIdTest,
    ::testing::Values(
        CallerCase{"withheld", "RING\r\n+CLIP: \"\",128\r\n", ""},
        CallerCase{"ringOnly", "\r\nRING\r\n\r\nRING\r\n", std::nullopt},
        CallerCase{"nothing", "", std::nullopt},
        // Another unsolicited line with the same closing pattern comes first.
        CallerCase{"quotedLineBefore", "+CIEV: \"CALL\",1\r\nRING\r\n+CLIP: \"10086\",129\r\n",
                   "10086"},
        CallerCase{"firstOfTwoCalls",
                   "+CLIP: \"111\",129\r\nNO CARRIER\r\nRING\r\n+CLIP: \"222\",129\r\n", "111"},
        CallerCase{"fiftyChars", "+CLIP: \"" + std::string(50, '9') + "\",129\r\n",
                   std::string(50, '9')},
        CallerCase{"fiftyOneChars", "+CLIP: \"" + std::string(51, '9') + "\",129\r\n",
                   std::nullopt},
        CallerCase{"unclosed", "RING\r\n+CLIP: \"1380013", std::nullopt},
        CallerCase{"closedOnLaterLine", "+CLIP: \"138\r\n+CIEV: \"CALL\",1\r\n", std::nullopt}),
    [](const ::testing::TestParamInfo<CallerCase>& info) { return std::string(info.param.name); });

using test::ManualClock;
using test::ScriptedLine;

// Call control against a scripted modem, in virtual time.
class CallTest : public test::ScriptedModemTest {
protected:
    void Drain() {
        std::uint32_t count = 0;
        engine->DrainInput(&count);
    }
};

TEST_F(CallTest, DialAndToneAreWrittenWithoutWaiting) {
    const std::uint64_t start = clock.NowMs();
    EXPECT_TRUE(engine->Dial("13800138000"));
    EXPECT_TRUE(engine->SendTone("#"));
    EXPECT_TRUE(engine->SendTone("*"));
    EXPECT_TRUE(engine->SendTone("0"));
    EXPECT_EQ("ATD13800138000;\rAT+VTS=#\rAT+VTS=*\rAT+VTS=0\r", shared->written);
    EXPECT_EQ(start, clock.NowMs());
}

TEST_F(CallTest, UnsafeDialsAndTonesWriteNothing) {
    EXPECT_FALSE(engine->Dial(""));
    EXPECT_FALSE(engine->Dial("112\rAT+CMGD=1"));
    EXPECT_FALSE(engine->Dial(std::string(99, '1')));
    EXPECT_FALSE(engine->SendTone(""));
    EXPECT_FALSE(engine->SendTone("12"));
    EXPECT_FALSE(engine->SendTone("x"));
    EXPECT_FALSE(engine->SendTone("\r"));
    EXPECT_EQ("", shared->written);
    EXPECT_TRUE(engine->Dial(std::string(98, '1')));
}

TEST_F(CallTest, DialFailsWhenTheLineIsNotWritten) {
    shared->shortWriteBy = 1;
    EXPECT_FALSE(engine->Dial("10086"));
    EXPECT_FALSE(engine->SendTone("5"));
    engine->Reset();
    EXPECT_FALSE(engine->Dial("10086"));
}

TEST_F(CallTest, AnswerAndHangUpAwaitOk) {
    shared->rules.push_back({"ATA", "\r\nOK\r\n"});
    std::uint64_t start = clock.NowMs();
    EXPECT_TRUE(engine->Answer());
    EXPECT_EQ(400u, clock.NowMs() - start);
    start = clock.NowMs();
    EXPECT_FALSE(engine->HangUp()) << "no answer to ATH0";
    EXPECT_EQ(400u + 2000u, clock.NowMs() - start);
    shared->rules.push_back({"ATH0", "\r\nOK\r\n", 300});
    EXPECT_TRUE(engine->HangUp());
    EXPECT_EQ(0u, engine->ResponseLength());
    EXPECT_EQ("ATA\rATH0\rATH0\r", shared->written);
}

TEST_F(CallTest, RingWithCallerNumber) {
    Line().Inject("\r\nRING\r\n\r\n+CLIP: \"13800138000\",129,,,,0\r\n");
    Drain();
    EXPECT_TRUE(engine->IsRinging());
    std::string number;
    ASSERT_TRUE(engine->GetCallerNumber(&number));
    EXPECT_EQ("13800138000", number);
    EXPECT_FALSE(engine->IsRinging()) << "reading the number clears the buffer";
}

TEST_F(CallTest, RingWithoutCallerLineKeepsRinging) {
    Line().Inject("\r\nRING\r\n");
    Drain();
    std::string number = "old";
    EXPECT_FALSE(engine->GetCallerNumber(&number));
    EXPECT_EQ("old", number);
    EXPECT_TRUE(engine->IsRinging());
}

TEST_F(CallTest, OverlongCallerNumberFails) {
    Line().Inject("RING\r\n+CLIP: \"" + std::string(51, '1') + "\",129\r\n");
    Drain();
    std::string number;
    EXPECT_FALSE(engine->GetCallerNumber(&number));
    EXPECT_TRUE(engine->IsRinging());
}

TEST_F(CallTest, RemoteHangUpStaysInTheBufferForThePoll) {
    Line().Inject("\r\nNO CARRIER\r\n");
    Drain();
    EXPECT_GE(engine->FindCode(ResultCodeId::NoCarrier), 0);
    EXPECT_FALSE(engine->IsRinging());
}

}  // namespace
}  // namespace veltro
