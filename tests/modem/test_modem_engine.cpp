#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "ScriptedModemTest.h"
#include "modem/ModemEngine.h"

namespace veltro {
namespace {

using test::ManualClock;
using test::ScriptedLine;

class EngineTest : public test::ScriptedModemTest {
protected:
    std::string Wire() const { return shared->written; }
};

struct WireCase {
    const char* name;
    int id;
    int form;
    const char* argument;
    const char* wire;
};

class EngineWireTest : public EngineTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(EngineWireTest, WritesExactLine) {
    const WireCase& c = GetParam();
    EXPECT_EQ(1, engine->SendCommand(c.id, c.form, c.argument));
    EXPECT_EQ(c.wire, Wire());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EngineWireTest,
    ::testing::Values(
        WireCase{"form0", 0, 0, nullptr, "AT\r"}, WireCase{"form1", 34, 1, "0", "AT+CMGF=0\r"},
        WireCase{"form2", 10, 2, "13800138000;", "ATD13800138000;\r"},
        WireCase{"form3", 25, 3, nullptr, "AT+CPIN?\r"},
        WireCase{"form4", 22, 4, nullptr, "AT+CSQ=?\r"},
        WireCase{"body", 1, 2, "0011000D91", "0011000D91\r"},
        WireCase{"hangup", 11, 0, nullptr, "ATH0\r"}, WireCase{"answer", 12, 0, nullptr, "ATA\r"},
        WireCase{"tone", 14, 1, "#", "AT+VTS=#\r"}, WireCase{"autoanswer", 16, 1, "0", "ATS0=0\r"},
        WireCase{"csq", 22, 0, nullptr, "AT+CSQ\r"},
        WireCase{"cnmi", 37, 1, "0,1,0,0,0", "AT+CNMI=0,1,0,0,0\r"},
        WireCase{"cmgr", 38, 1, "3", "AT+CMGR=3\r"},
        WireCase{"cmgl", 39, 1, "\"REC UNREAD\"", "AT+CMGL=\"REC UNREAD\"\r"},
        WireCase{"cmgs", 40, 1, "\"10086\"", "AT+CMGS=\"10086\"\r"},
        WireCase{"cmgd", 43, 1, "7", "AT+CMGD=7\r"}, WireCase{"clip", 49, 1, "1", "AT+CLIP=1\r"},
        WireCase{"ipr", 50, 1, "115200", "AT+IPR=115200\r"},
        WireCase{"echo", 51, 0, nullptr, "ATE0\r"}, WireCase{"save", 53, 0, nullptr, "AT&W\r"},
        WireCase{"vendorcsq", 55, 1, "1,8", "AT$CSQ=1,8\r"},
        WireCase{"cgdcont", 56, 1, "1,\"IP\",\"CMNET\"", "AT+CGDCONT=1,\"IP\",\"CMNET\"\r"},
        WireCase{"cgreg", 57, 3, nullptr, "AT+CGREG?\r"},
        WireCase{"cgatt", 58, 1, "1", "AT+CGATT=1\r"}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

TEST_F(EngineTest, RefusesBadRequestsWithoutSending) {
    EXPECT_EQ(0, engine->SendCommand(61, 0, nullptr));
    EXPECT_EQ(0, engine->SendCommand(-1, 0, nullptr));
    EXPECT_EQ(0, engine->SendCommand(0, 5, nullptr));
    EXPECT_EQ(0, engine->PostCommand(0, -1, nullptr, false));
    EXPECT_EQ("", Wire());

    engine->Reset();
    EXPECT_FALSE(engine->IsOpen());
    EXPECT_EQ(0, engine->SendCommand(0, 0, nullptr));
    EXPECT_EQ(-1, engine->PollFor(ResultCodeId::Ok));
    EXPECT_FALSE(engine->ClearResponse());
    std::uint32_t count = 7;
    EXPECT_EQ(0, engine->DrainInput(&count));
    EXPECT_EQ(0u, count);
}

TEST_F(EngineTest, ShortWriteFailsTheSend) {
    shared->shortWriteBy = 1;
    EXPECT_EQ(0, engine->SendCommand(AtCommandId::Csq, CommandForm::Plain, nullptr));
    EXPECT_EQ(0, engine->PostCommand(AtCommandId::Csq, CommandForm::Plain, nullptr, false));
    const std::uint64_t before = clock.NowMs();
    EXPECT_FALSE(
        engine->RunExchange({AtCommandId::HangUp, CommandForm::Plain, nullptr, SendMode::Settle,
                             ResultCodeId::Ok, 2000, ClearMode::Always}));
    EXPECT_EQ(before, clock.NowMs()) << "a failed send must not await";
}

TEST_F(EngineTest, SettleTimesAndDtr) {
    std::uint64_t start = clock.NowMs();
    engine->SendCommand(0, 0, nullptr);
    EXPECT_EQ(400u, clock.NowMs() - start);
    start = clock.NowMs();
    engine->PostCommand(0, 0, nullptr, true);
    EXPECT_EQ(400u, clock.NowMs() - start);
    start = clock.NowMs();
    engine->PostCommand(0, 0, nullptr, false);
    EXPECT_EQ(0u, clock.NowMs() - start);
    EXPECT_EQ(3, shared->dtrRaised);
}

TEST_F(EngineTest, SendingNeitherReadsNorClears) {
    shared->rules.push_back({"AT+CSQ", "\r\n+CSQ: 20,99\r\n\r\nOK\r\n"});
    engine->SendCommand(AtCommandId::Csq, CommandForm::Plain, nullptr);
    EXPECT_EQ(0u, engine->ResponseLength()) << "the answer waits in the driver queue";
    EXPECT_GE(engine->PollFor(ResultCodeId::Ok), 0);
}

TEST_F(EngineTest, ErrorAnswerWaitsTheFullLimit) {
    shared->rules.push_back({"AT+CLIP=1", "\r\nERROR\r\n", 20});
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(engine->RunExchange({AtCommandId::Clip, CommandForm::Assign, "1", SendMode::Settle,
                                      ResultCodeId::Ok, 4000, ClearMode::Always}));
    EXPECT_EQ(400u + 4000u, clock.NowMs() - start);
    EXPECT_EQ(0u, engine->ResponseLength());
}

TEST_F(EngineTest, StaleAnswerSatisfiesTheNextAwait) {
    shared->rules.push_back({"AT+IPR=115200", "\r\nOK\r\n"});
    ASSERT_TRUE(engine->RunExchange({AtCommandId::Ipr, CommandForm::Assign, "115200",
                                     SendMode::Settle, ResultCodeId::Ok, 4000, ClearMode::Never}));
    // AT&W gets no answer at all, yet the "OK" still in the buffer satisfies it.
    const std::uint64_t start = clock.NowMs();
    EXPECT_TRUE(
        engine->RunExchange({AtCommandId::StoreProfile, CommandForm::Plain, nullptr,
                             SendMode::Settle, ResultCodeId::Ok, 4000, ClearMode::OnSuccess}));
    EXPECT_EQ(400u, clock.NowMs() - start);
    EXPECT_EQ(0u, engine->ResponseLength());
}

TEST_F(EngineTest, AnswerArrivingLateIsFoundBeforeTheLimit) {
    shared->rules.push_back({"AT+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n", 1500});
    const std::uint64_t start = clock.NowMs();
    EXPECT_TRUE(
        engine->RunExchange({AtCommandId::Cpin, CommandForm::Query, nullptr, SendMode::Settle,
                             ResultCodeId::Ready, 2000, ClearMode::Always}));
    EXPECT_EQ(1500u, clock.NowMs() - start);
}

TEST_F(EngineTest, ZeroByteEndsAnAppend) {
    ScriptedLine* line = &Line();
    line->Inject(std::string("RI\0NG", 5));
    std::uint32_t count = 0;
    ASSERT_EQ(1, engine->DrainInput(&count));
    EXPECT_EQ(5u, count);
    EXPECT_STREQ("RI", engine->Response());
    EXPECT_EQ(-1, engine->FindCode(ResultCodeId::Ring));
}

TEST_F(EngineTest, InputBeyondTheRoomIsDropped) {
    ScriptedLine* line = &Line();
    line->Inject(std::string(15000, 'a'));
    line->Inject(std::string(15000, 'b') + "OK");
    std::uint32_t count = 0;
    ASSERT_EQ(1, engine->DrainInput(&count));
    EXPECT_EQ(19999u, count) << "one read is capped below the buffer size";
    ASSERT_EQ(1, engine->DrainInput(&count));
    EXPECT_EQ(ModemEngine::kResponseSize - 1, engine->ResponseLength());
    EXPECT_EQ(-1, engine->FindCode(ResultCodeId::Ok));
    EXPECT_EQ('\0', engine->Response()[ModemEngine::kResponseSize - 1]);
}

TEST_F(EngineTest, PatternIdsOutOfRangeFindNothing) {
    ScriptedLine* line = &Line();
    line->Inject("OK RING");
    EXPECT_EQ(0, engine->PollFor(0));
    EXPECT_EQ(-1, engine->PollFor(29));
    EXPECT_EQ(-1, engine->FindCode(-1));
    EXPECT_EQ(3, engine->FindCode(ResultCodeId::Ring));
}

TEST_F(EngineTest, MaskPrefixFindsTheNextOccurrence) {
    ScriptedLine* line = &Line();
    line->Inject("+CMGL: 1,\"REC UNREAD\"\r\n+CMGL: 2,");
    engine->PollFor(ResultCodeId::Cmgl);
    ASSERT_EQ(0, engine->FindCode(ResultCodeId::Cmgl));
    engine->MaskPrefix(7);
    EXPECT_EQ(23, engine->FindCode(ResultCodeId::Cmgl));
    engine->MaskPrefix(100000);
    EXPECT_EQ(-1, engine->FindCode(ResultCodeId::Cmgl));
    EXPECT_EQ(32u, engine->ResponseLength()) << "masking never extends the text";
}

TEST_F(EngineTest, DrainUntilQuietCollectsAStreamedAnswer) {
    ScriptedLine* line = &Line();
    EXPECT_EQ(0, [&] {
        std::uint32_t last = 0;
        return engine->DrainUntilQuiet(&last);
    }()) << "nothing has arrived";

    line->Inject("+CMGL: 1,\"REC UNREAD\"\r\n");
    line->Inject("0891683108200505F0\r\n", 50);
    line->Inject("\r\nOK\r\n", 150);
    std::uint32_t last = 99;
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(1, engine->DrainUntilQuiet(&last));
    EXPECT_EQ(0u, last);
    EXPECT_EQ(300u, clock.NowMs() - start);
    EXPECT_STREQ("+CMGL: 1,\"REC UNREAD\"\r\n0891683108200505F0\r\n\r\nOK\r\n", engine->Response());
}

TEST_F(EngineTest, DrainUntilQuietStopsWhenTheBufferIsFull) {
    ScriptedLine* line = &Line();
    line->Inject(std::string(12000, 'x'));
    line->Inject(std::string(12000, 'y'), 50);
    std::uint32_t last = 0;
    EXPECT_EQ(0, engine->DrainUntilQuiet(&last));
    EXPECT_EQ(ModemEngine::kResponseSize - 1, engine->ResponseLength());
}

TEST_F(EngineTest, ClearPurgesWhatIsQueued) {
    ScriptedLine* line = &Line();
    line->Inject("OK");
    engine->PollFor(ResultCodeId::Ok);
    line->Inject("RING");
    EXPECT_TRUE(engine->ClearResponse());
    EXPECT_EQ(-1, engine->PollFor(ResultCodeId::Ring));
    EXPECT_EQ(-1, engine->PollFor(ResultCodeId::Ok));
}

}  // namespace
}  // namespace veltro
