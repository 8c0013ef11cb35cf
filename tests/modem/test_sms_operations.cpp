#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "ScriptedModemTest.h"
#include "modem/ModemEngine.h"

namespace veltro {
namespace {

using test::ManualClock;
using test::ScriptedLine;
using Lines = std::vector<std::string>;

const std::string kOk = "\r\nOK\r\n";
const std::string kBodyEnd = "\x1a\n\r\n";

// The message operations against a scripted modem, in virtual time.
class SmsOperationTest : public test::ScriptedModemTest {
protected:
    void Rule(const std::string& command, const std::string& answer, int uses = -1) {
        shared->rules.push_back({command, answer, 0, uses});
    }
    // A modem that confirms mode switches, hang-ups and deletions.
    void ModeRules() {
        Rule("AT+CMGF=0", kOk);
        Rule("AT+CMGF=1", kOk);
        Rule("ATH0", kOk);
    }
    std::uint64_t Elapsed(std::uint64_t start) { return clock.NowMs() - start; }
};

TEST_F(SmsOperationTest, LongNumberGoesThePduRoute) {
    ModeRules();
    Rule("AT+CMGS=19", "\r\n> ");
    Rule("0011*", "\r\n+CMGS: 12\r\n" + kOk);
    const std::uint64_t start = clock.NowMs();
    ASSERT_TRUE(engine->SendShortMessage("你好", "13800138000"));
    // The reference digit is the process counter's; everything else is fixed.
    const std::string reference = shared->written.substr(25, 2);
    EXPECT_EQ("AT+CMGF=0\rAT+CMGS=19\r0011" + reference + "0D91683108108300F0000801044f60597d" +
                  kBodyEnd + "\r",
              shared->written);
    // Three settles, the 1000 ms and 3500 ms pauses and the 20 ms gap.
    EXPECT_EQ(3u * 400 + 1000 + 3500 + 20, Elapsed(start));
}

TEST_F(SmsOperationTest, InternationalFormSendsTheSameAddress) {
    ModeRules();
    Rule("0011*", kOk);
    ASSERT_TRUE(engine->SendShortMessage("A", "+8613800138000"));
    EXPECT_EQ("AT+CMGS=17", shared->lines[1]);
    EXPECT_EQ("0D91683108108300F0000801020041" + kBodyEnd + "\r", shared->written.substr(27));
    // Blanks, dashes, dots and parentheses as people write them are taken out.
    shared->written.clear();
    ASSERT_TRUE(engine->SendShortMessage("A", "+86 (138) 0013-8000"));
    EXPECT_EQ("0D91683108108300F0000801020041" + kBodyEnd + "\r", shared->written.substr(27));
    EXPECT_EQ(1u, engine->PartsConfirmed());
}

TEST_F(SmsOperationTest, ShortNumberGoesTheTextRouteInGbk) {
    ModeRules();
    Rule("AT+CMGS=\"12345\"", "\r\n> ");
    Rule("\xC4\xE3\xBA\xC3*", "\r\n+CMGS: 7\r\n" + kOk);
    const std::uint64_t start = clock.NowMs();
    ASSERT_TRUE(engine->SendShortMessage("你好", "12345"));
    EXPECT_EQ("AT+CMGF=1\rAT+CMGS=\"12345\"\r\xC4\xE3\xBA\xC3" + kBodyEnd + "\rAT+CMGF=0\r",
              shared->written);
    EXPECT_EQ(4u * 400 + 2000 + 100, Elapsed(start));
    EXPECT_GE(engine->FindCode(ResultCodeId::Ok), 0) << "a confirmed send keeps its answer";
}

TEST_F(SmsOperationTest, UnconfirmedPduSendHangsUp) {
    ModeRules();
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(engine->SendShortMessage("hi", "13800138000"));
    EXPECT_EQ("ATH0", shared->lines.back());
    EXPECT_EQ(3u * 400 + 1000 + 3500 + 6000 + 400, Elapsed(start));
}

TEST_F(SmsOperationTest, UnconfirmedTextSendHangsUpAndReturnsToPduMode) {
    ModeRules();
    EXPECT_FALSE(engine->SendShortMessage("hi", "10086"));
    EXPECT_EQ("AT+CMGF=1\rAT+CMGS=\"10086\"\rhi" + kBodyEnd + "\rATH0\rAT+CMGF=0\r",
              shared->written);
    EXPECT_EQ(0u, engine->ResponseLength());
}

TEST_F(SmsOperationTest, RefusedTextModeSendsNothingElse) {
    Rule("AT+CMGF=1", "\r\nERROR\r\n");
    EXPECT_FALSE(engine->SendShortMessage("hi", "10086"));
    EXPECT_EQ((Lines{"AT+CMGF=1", "AT+CMGF=0"}), shared->lines);
}

TEST_F(SmsOperationTest, RefusedPduModeFailsWithoutSending) {
    Rule("AT+CMGF=0", "\r\nERROR\r\n");
    EXPECT_FALSE(engine->SendShortMessage("hi", "13800138000"));
    EXPECT_EQ((Lines{"AT+CMGF=0"}), shared->lines);
}

struct RefusedCase {
    const char* name;
    std::string text;
    const char* number;
};

class RefusedSendTest : public SmsOperationTest,
                        public ::testing::WithParamInterface<RefusedCase> {};

// Nothing reaches the line for a message that could only go out cut, garbled or with
// command text inside it.
TEST_P(RefusedSendTest, NothingIsWritten) {
    ModeRules();
    Rule("0011*", kOk);
    EXPECT_FALSE(engine->SendShortMessage(GetParam().text, GetParam().number));
    EXPECT_EQ("", shared->written);
}

std::string Repeat(const std::string& unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += unit;
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RefusedSendTest,
    ::testing::Values(RefusedCase{"moreThan255Parts", Repeat("a", 67 * 255 + 1), "13800138000"},
                      RefusedCase{"outsideGbkToALetterNumber", "\U0001F600", "ABC"},
                      RefusedCase{"invalidUtf8", "\xC0\x80", "13800138000"},
                      RefusedCase{"letterInNumber", "hi", "138 0013 800x"},
                      RefusedCase{"ctrlZInText",
                                  "hi\x1a"
                                  "ATD112;",
                                  "10086"},
                      RefusedCase{"escInText", "hi\x1b", "10086"},
                      RefusedCase{"zeroByteInText", std::string("hi\0ATD112;", 10), "10086"},
                      // Refused only after "AT+CMGS=", it would leave the modem in its prompt.
                      RefusedCase{"textBeyondTheLineBuffer", std::string(20000, 'a'), "10086"},
                      RefusedCase{"quoteInNumber", "hi", "100\"86"},
                      RefusedCase{"crInNumber", "hi", "1\rATH"},
                      RefusedCase{"invalidUtf8TextRoute", "\xE4\xBD", "10086"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST_F(SmsOperationTest, PduRouteNeedsMoreThanOneCharacter) {
    ModeRules();
    EXPECT_FALSE(engine->SendPduMessage(u"hi", "1"));
    EXPECT_FALSE(engine->SendPduMessage(u"hi", ""));
    EXPECT_EQ("", shared->written);
}

TEST_F(SmsOperationTest, SeventyUnitsStillGoOut) {
    ModeRules();
    Rule("0011*", kOk);
    ASSERT_TRUE(engine->SendShortMessage(Repeat("你", 70), "13800138000"));
    EXPECT_EQ("AT+CMGS=155", shared->lines[1]);
    EXPECT_EQ("8c", shared->lines[2].substr(30, 2));
}

// A text over 70 units goes as parts, each confirmed before the next; the "OK" of one
// part never confirms the next.
TEST_F(SmsOperationTest, LongTextGoesAsConfirmedParts) {
    ModeRules();
    Rule("0051*", "\r\n+CMGS: 1\r\n" + kOk, 2);
    ASSERT_FALSE(engine->SendShortMessage(Repeat("你", 150), "13800138000"));
    std::vector<std::string> lengths;
    std::vector<std::string> pdus;
    for (const std::string& line : shared->lines) {
        if (line.rfind("AT+CMGS=", 0) == 0) {
            lengths.push_back(line);
        } else if (line.rfind("0051", 0) == 0) {
            pdus.push_back(line);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"AT+CMGS=155", "AT+CMGS=155", "AT+CMGS=53"}), lengths);
    EXPECT_EQ("ATH0", shared->lines.back());
    ASSERT_EQ(3u, pdus.size());
    // Part n of 3 under one reference: 6 header octets, then the text.
    EXPECT_EQ("8c050003", pdus[0].substr(30, 8));
    EXPECT_EQ("0301", pdus[0].substr(40, 4));
    EXPECT_EQ("0303", pdus[2].substr(40, 4));
    EXPECT_EQ(pdus[0].substr(38, 2), pdus[2].substr(38, 2));
    EXPECT_EQ(2u, engine->PartsConfirmed()) << "the third part failed";
}

// A 3-octet TPDU behind an empty service-centre field: enough for the framing.
std::string PduEntry(int index) {
    return "+CMGL: " + std::to_string(index) + ",0,,3\r\n0044AB12\r\n";
}

TEST_F(SmsOperationTest, ListingIsInPduMode) {
    ModeRules();
    Rule("AT+CMGL=1", "\r\n" + PduEntry(12) + PduEntry(3) + PduEntry(12) + kOk);
    Rule("AT+CMGL=0", kOk);
    std::array<ModemEngine::MessageIndexSlot, 50> slots{};
    int count = 7;
    EXPECT_FALSE(engine->ListMessages(slots, &count, true)) << "an empty listing";
    EXPECT_EQ(0, count);
    const std::uint64_t start = clock.NowMs();
    ASSERT_TRUE(engine->ListMessages(slots, &count, false));
    EXPECT_EQ(0u, Elapsed(start)) << "the answers end the waits, not fixed pauses";
    ASSERT_EQ(2, count);
    EXPECT_STREQ("12", slots[0].data());
    EXPECT_STREQ("3", slots[1].data());
    EXPECT_EQ((Lines{"AT+CMGF=0", "AT+CMGL=0", "AT+CMGF=0", "AT+CMGL=1"}), shared->lines);
}

TEST_F(SmsOperationTest, ListingNeverWritesBeyondTheSlots) {
    ModeRules();
    std::string answer = "\r\n";
    for (int i = 1; i <= 60; ++i) {
        answer += PduEntry(i);
    }
    Rule("AT+CMGL=0", answer + kOk);
    std::array<ModemEngine::MessageIndexSlot, 52> storage{};
    storage[50].fill('#');
    storage[51].fill('#');
    int count = 0;
    ASSERT_TRUE(engine->ListMessages(std::span(storage).first(50), &count, true));
    EXPECT_EQ(50, count);
    EXPECT_STREQ("50", storage[49].data());
    EXPECT_EQ(std::string(10, '#'), std::string(storage[50].begin(), storage[50].end()));

    // Asked for, the entries beyond the slots come back for a later cycle.
    std::vector<std::string> beyond;
    ASSERT_TRUE(engine->ListMessages(std::span(storage).first(50), &count, true, &beyond));
    EXPECT_EQ(
        (std::vector<std::string>{"51", "52", "53", "54", "55", "56", "57", "58", "59", "60"}),
        beyond);
}

TEST_F(SmsOperationTest, BrokenFramingEndsTheListingWithFailure) {
    ModeRules();
    Rule("AT+CMGL=0", "\r\n" + PduEntry(1) + "+CMGL: 2,0,,3\r\n" + PduEntry(3) + kOk);
    std::array<ModemEngine::MessageIndexSlot, 50> slots{};
    int count = 0;
    EXPECT_FALSE(engine->ListMessages(slots, &count, true));
    EXPECT_EQ(1, count);
    EXPECT_STREQ("1", slots[0].data());
}

TEST_F(SmsOperationTest, ListingWithoutFinalResultIsTakenAsFarAsItArrived) {
    ModeRules();
    Rule("AT+CMGL=0", "\r\n" + PduEntry(4) + "+CMGL: 5,0,,3\r\n0044");
    std::array<ModemEngine::MessageIndexSlot, 50> slots{};
    int count = 0;
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(engine->ListMessages(slots, &count, true)) << "the cut entry breaks it";
    EXPECT_EQ(1, count);
    EXPECT_GE(Elapsed(start), 16000u);
    EXPECT_LT(Elapsed(start), 18000u);
}

// "你好" from +8613800138000, UCS2.
const std::string kPduRead =
    "\r\n+CMGR: 0,,24\r\n0891683108200505F0040D91683108108300F00008621280015123040"
    "44F60597D\r\n" +
    kOk;

TEST_F(SmsOperationTest, ReadIsOnePduExchange) {
    ModeRules();
    Rule("AT+CMGR=3", kPduRead);
    Rule("AT+CMGR=1", "\r\n+CMGR: 1,,3\r\n0044AB12\r\n" + kOk);
    ReceivedMessage message;
    ASSERT_TRUE(engine->ReadMessage("3", &message));
    EXPECT_EQ("+8613800138000", message.number);
    EXPECT_EQ("26/21/08,10:15:32+40", message.timeStamp) << "digits as the PDU has them";
    EXPECT_TRUE(message.isUcs2);
    EXPECT_EQ(u"你好", message.text);
    EXPECT_FALSE(message.hasHeader);
    EXPECT_EQ((Lines{"AT+CMGR=3"}), shared->lines);
    EXPECT_EQ(0u, engine->ResponseLength());
    // Too short to be an SMS-DELIVER: the read fails and the message stays on the SIM.
    EXPECT_FALSE(engine->ReadMessage("1", &message));
}

TEST_F(SmsOperationTest, ReadFailures) {
    ModeRules();
    ReceivedMessage message;
    message.number = "stale";
    Rule("AT+CMGR=5", "\r\n+CMS ERROR: 321\r\n");
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(engine->ReadMessage("5", &message));
    EXPECT_EQ(0u, Elapsed(start)) << "an error ends the wait";
    EXPECT_EQ(ReceivedMessage::kUnknown, message.number);
    EXPECT_EQ((Lines{"AT+CMGR=5"}), shared->lines);

    shared->lines.clear();
    EXPECT_FALSE(engine->ReadMessage("5\rATD112;", &message));
    EXPECT_FALSE(engine->ReadMessage("", &message));
    EXPECT_FALSE(engine->ReadMessage("1234567890", &message));
    EXPECT_TRUE(shared->lines.empty());
}

const std::string kTextRead =
    "\r\n+CMGR: \"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"\r\n4F60597D\r\n" + kOk;

// A card left in text mode is put back in PDU mode; one without PDU mode is read in
// text mode.
TEST_F(SmsOperationTest, TextModeAnswers) {
    Rule("AT+CMGF=0", kOk, 1);
    Rule("AT+CMGR=3", kTextRead, 1);
    Rule("AT+CMGR=3", kPduRead, 1);
    ReceivedMessage message;
    ASSERT_TRUE(engine->ReadMessage("3", &message));
    EXPECT_EQ((Lines{"AT+CMGR=3", "AT+CMGF=0", "AT+CMGR=3"}), shared->lines);

    shared->lines.clear();
    Rule("AT+CMGF=0", "\r\nERROR\r\n");
    Rule("AT+CMGR=3", kTextRead);
    ASSERT_TRUE(engine->ReadMessage("3", &message));
    EXPECT_EQ(u"你好", message.text);
    EXPECT_EQ((Lines{"AT+CMGR=3", "AT+CMGF=0", "AT+CMGR=3"}), shared->lines);
}

TEST_F(SmsOperationTest, DeleteOfUnknownIndexFailsAfterItsLimit) {
    Rule("AT+CMGD=2", kOk);
    Rule("AT+CMGD=9", "\r\n+CMS ERROR: 321\r\n");
    std::uint64_t start = clock.NowMs();
    EXPECT_TRUE(engine->DeleteMessage("2"));
    EXPECT_EQ(400u + 1000, Elapsed(start));
    start = clock.NowMs();
    EXPECT_FALSE(engine->DeleteMessage("9"));
    EXPECT_EQ(400u + 2000, Elapsed(start));
    EXPECT_FALSE(engine->DeleteMessage("9;+CMGD=1"));
    EXPECT_EQ((Lines{"AT+CMGD=2", "AT+CMGD=9"}), shared->lines);
}

}  // namespace
}  // namespace veltro
