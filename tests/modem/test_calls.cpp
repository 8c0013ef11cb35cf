#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "ScriptedModemTest.h"
#include "modem/CallLines.h"
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
    EXPECT_FALSE(engine->Dial("10086;+CMGD=1"));
    EXPECT_FALSE(engine->Dial("10086,"));
    EXPECT_FALSE(engine->Dial("张三"));
    EXPECT_FALSE(engine->Dial(std::string(99, '1')));
    EXPECT_FALSE(engine->SendTone(""));
    EXPECT_FALSE(engine->SendTone("12"));
    EXPECT_FALSE(engine->SendTone("x"));
    EXPECT_FALSE(engine->SendTone("\r"));
    EXPECT_EQ("", shared->written);
    EXPECT_TRUE(engine->Dial(std::string(98, '1')));
    EXPECT_TRUE(engine->Dial("+86*#0123456789ABCD"));
    // Numbers as people write them.
    shared->lines.clear();
    EXPECT_TRUE(engine->Dial("(010) 8888-6666"));
    EXPECT_TRUE(engine->Dial("+86 138.0013.8000"));
    EXPECT_EQ((std::vector<std::string>{"ATD01088886666;", "ATD+8613800138000;"}), shared->lines);
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

using Kind = CallEvent::Kind;

std::vector<Kind> Kinds(const std::vector<CallEvent>& events) {
    std::vector<Kind> kinds;
    for (const CallEvent& event : events) {
        kinds.push_back(event.kind);
    }
    return kinds;
}

TEST(CallLinesTest, EventsInOrderAndOkOnlyAsALine) {
    const std::vector<CallEvent> events = CallLines::Events(
        "\r\nNO CARRIER\r\n+CMTI: \"SM\",3\r\nRING\r\n+CLIP: \"10086\",129\r\n+CLIP: \"12");
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ((std::vector<Kind>{Kind::NoCarrier, Kind::Ring, Kind::Caller, Kind::Caller}),
              Kinds(events));
    EXPECT_EQ("10086", events[2].number);
    EXPECT_EQ(std::nullopt, events[3].number);
    EXPECT_TRUE(CallLines::Events("RINGING\r\nXRING\r\n").empty());
}

// A clear by any other operation (a message cycle, a signal read) keeps the call lines
// for the call poll, also those still waiting on the port.
TEST_F(CallTest, ClearKeepsCallLinesForThePoll) {
    Line().Inject("\r\n+CMGL: 1,\"REC UNREAD\"\r\n0791\r\n\r\nOK\r\nRING\r\n");
    Drain();
    Line().Inject("\r\n+CLIP: \"13800138000\",129\r\n");
    EXPECT_TRUE(engine->ClearResponse());
    EXPECT_EQ(0u, engine->ResponseLength());
    const std::vector<CallEvent> events = engine->TakeCallEvents();
    EXPECT_EQ((std::vector<Kind>{Kind::Ring, Kind::Caller}), Kinds(events));
    EXPECT_EQ("13800138000", events[1].number);
    EXPECT_TRUE(engine->TakeCallEvents().empty()) << "each event is taken once";
}

TEST_F(CallTest, RingDuringAMessageExchangeSurvivesItsClear) {
    shared->rules.push_back({"AT+CMGD=4", "\r\nRING\r\n\r\nOK\r\n"});
    EXPECT_TRUE(engine->DeleteMessage("4"));
    EXPECT_EQ(0u, engine->ResponseLength());
    EXPECT_EQ((std::vector<Kind>{Kind::Ring}), Kinds(engine->TakeCallEvents()));
}

TEST_F(CallTest, MaskedPrefixKeepsItsCallLines) {
    Line().Inject("OK\r\nNO CARRIER\r\n+CMGL: 2\r\n");
    Drain();
    engine->MaskPrefix(12);
    EXPECT_EQ(-1, engine->FindCode(ResultCodeId::NoCarrier));
    engine->ClearResponse();
    EXPECT_EQ((std::vector<Kind>{Kind::NoCarrier}), Kinds(engine->TakeCallEvents()));
}

TEST_F(CallTest, TakingLeavesOtherAnswersAndALineStillArriving) {
    Line().Inject("\r\nRING\r\n$CSQ: 20,99\r\n+CLIP: \"100");
    Drain();
    EXPECT_EQ((std::vector<Kind>{Kind::Ring}), Kinds(engine->TakeCallEvents()));
    EXPECT_EQ(-1, engine->FindCode(ResultCodeId::Ring));
    EXPECT_GE(engine->FindCode(ResultCodeId::VendorCsq), 0);
    Line().Inject("86\",129\r\n");
    Drain();
    const std::vector<CallEvent> events = engine->TakeCallEvents();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ("10086", events[0].number);
}

TEST_F(CallTest, OwnCallCommandsForgetTheCallsLines) {
    shared->rules.push_back({"ATA", "\r\nOK\r\n"});
    shared->rules.push_back({"ATH0", "\r\nOK\r\n"});
    Line().Inject("\r\nRING\r\n+CLIP: \"10086\",129\r\nNO CARRIER\r\n");
    Drain();
    EXPECT_TRUE(engine->Answer());
    EXPECT_EQ((std::vector<Kind>{Kind::NoCarrier}), Kinds(engine->TakeCallEvents()))
        << "the caller may have given up before the answer";
    Line().Inject("\r\nRING\r\nNO CARRIER\r\n");
    Drain();
    EXPECT_TRUE(engine->HangUp());
    EXPECT_TRUE(engine->TakeCallEvents().empty()) << "a rejected call does not ring again";
}

TEST_F(CallTest, KeptLinesAreBoundedNewestFirst) {
    for (int i = 0; i < 400; ++i) {
        Line().Inject("\r\nRING\r\n");
        Drain();
        engine->ClearResponse();
    }
    Line().Inject("\r\nNO CARRIER\r\n");
    engine->ClearResponse();
    const std::vector<CallEvent> events = engine->TakeCallEvents();
    EXPECT_LE(events.size() * 6, ModemEngine::kKeptCallLinesSize);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(Kind::NoCarrier, events.back().kind);
}

// The dial waits for its own final result; what came before the dial does not count,
// and the lines that came with the result do not reach the call poll.
TEST_F(CallTest, DialWaitsForItsOwnFinalResult) {
    struct Case {
        std::string answer;
        DialResult result;
    };
    const Case cases[] = {{"\r\nOK\r\n", DialResult::Answered},
                          {"\r\nBUSY\r\n", DialResult::Busy},
                          {"\r\nNO ANSWER\r\n", DialResult::NoAnswer},
                          {"\r\nNO CARRIER\r\n", DialResult::NoCarrier},
                          {"\r\n+CME ERROR: 30\r\n", DialResult::Error}};
    for (const Case& c : cases) {
        Line().Inject("\r\nOK\r\n");
        Drain();
        ASSERT_TRUE(engine->Dial("10086"));
        Line().Inject("\r\nRING\r\n" + c.answer, 3000);
        EXPECT_EQ(c.result, engine->AwaitDialResult(5000, {})) << c.answer;
        EXPECT_TRUE(engine->TakeCallEvents().empty()) << c.answer;
    }
    ASSERT_TRUE(engine->Dial("10086"));
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(DialResult::TimedOut, engine->AwaitDialResult(1000, {}));
    EXPECT_LT(clock.NowMs() - start, 1200u);
    int looks = 0;
    EXPECT_EQ(DialResult::Interrupted,
              engine->AwaitDialResult(60000, [&looks] { return ++looks == 3; }));
}

// The far end hangs up as a tone is answered: its "NO CARRIER", after the tone's "OK"
// or in its place, reaches the call poll.
TEST_F(CallTest, HangUpRightAfterAToneIsKeptForThePoll) {
    for (const std::string answer : {"\r\nOK\r\n\r\nNO CARRIER\r\n", "\r\nNO CARRIER\r\n"}) {
        ASSERT_TRUE(engine->SendTone("5"));
        Line().Inject("\r\nRING\r\n" + answer);
        EXPECT_EQ(answer.starts_with("\r\nOK"), engine->AwaitToneResult()) << answer;
        EXPECT_EQ((std::vector<Kind>{Kind::NoCarrier}), Kinds(engine->TakeCallEvents())) << answer;
    }
}

// A message's body is never taken for call lines, however it is worded.
TEST_F(CallTest, MessageBodiesAreNotCallLines) {
    Line().Inject(
        "\r\n+CMGL: 1,\"REC UNREAD\",\"10086\"\r\nRING\r\n+CLIP: \"95588\",129\r\n"
        "NO CARRIER\r\n\r\nOK\r\nRING\r\n");
    Drain();
    EXPECT_EQ((std::vector<Kind>{Kind::Ring}), Kinds(engine->TakeCallEvents()));
    Line().Inject("\r\n+CMGR: \"REC READ\",\"1\"\r\nRING\r\n\r\nOK\r\n");
    engine->ClearResponse();
    EXPECT_TRUE(engine->TakeCallEvents().empty());
}

}  // namespace
}  // namespace veltro
