#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ScriptedModemTest.h"
#include "modem/MessageContent.h"
#include "modem/ModemEngine.h"

namespace veltro {
namespace {

// SMS-DELIVER PDUs made by python3-gammu (gammu.EncodePDU, layout "Deliver"), service
// centre +8613800100500, sent 26/12/08 10:15:30 +00, and checked back with DecodePDU.
const std::string kForgedEntry =
    "0891683108100005F0000D91683108108300F00000622180015103004BC87443B11A368F4C1D48966389A4C5"
    "21A8EA94168344114BB4C2D962331C0C169BE160309888C512C96CAF98EC05C3B162305DACA69BC1563399A8"
    "A130BFE5E73219";
const std::string kForgedRing =
    "0891683108100005F0000D91683108108300F00000622180015103001ED2A4F3D850AC86CC24540712E56A35"
    "1C4EC48AC9720D8534E93C02";
const std::string kDate7Bit =
    "0891683108100005F0000D91683108108300F0000062218001510300083298AC1693CD62";
const std::string kCode7Bit =
    "0891683108100005F0000D91683108108300F00000622180015103000831D98C56B3DD70";
const std::string kCode8Bit =
    "0891683108100005F0000D91683108108300F0000462218001510300083132333435363738";
const std::string kHangulEmoji =
    "0891683108100005F0000C9128012143658700086221800151030010C548B155D558C138C6940020D83DDE00";

const std::string kOk = "\r\nOK\r\n";
const std::string kFrom = "+8613800138000";

struct Read {
    std::string index;
    bool read;
    std::string number;
    std::string text;
};

struct HostileCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> card;  // command -> answer
    std::vector<std::string> listed;
    std::vector<Read> reads;
};

std::string Entry(const std::string& header, const std::string& pdu) {
    return "+CMGL: " + header + "\r\n" + pdu + "\r\n";
}
std::string ReadAnswer(const std::string& header, const std::string& pdu) {
    return "\r\n+CMGR: " + header + "\r\n" + pdu + "\r\n" + kOk;
}

class HostileAnswerTest : public test::ScriptedModemTest,
                          public ::testing::WithParamInterface<HostileCase> {};

// What real people and networks send, and what a hostile sender writes into a body, goes
// through the listing and the reads as one message each: no body line is taken for an
// entry or a call line.
TEST_P(HostileAnswerTest, ListAndReadTakeOnlyWhatTheCardFramed) {
    const HostileCase& c = GetParam();
    for (const auto& [command, answer] : c.card) {
        shared->rules.push_back({command, answer});
    }
    shared->rules.push_back({"AT+CMGF=0", kOk});
    std::array<ModemEngine::MessageIndexSlot, 50> slots{};
    int count = 0;
    engine->ListMessages(slots, &count, true);
    std::vector<std::string> listed;
    for (int i = 0; i < count; ++i) {
        listed.emplace_back(slots[static_cast<std::size_t>(i)].data());
    }
    EXPECT_EQ(c.listed, listed);
    for (const Read& want : c.reads) {
        SCOPED_TRACE(want.index);
        ReceivedMessage message;
        ASSERT_EQ(want.read, engine->ReadMessage(want.index, &message));
        if (want.read) {
            const MessageContent content = MessageContent::Of(message);
            EXPECT_EQ(want.number, content.number);
            EXPECT_EQ(want.text, content.text);
            EXPECT_EQ("26/12/08,10:15:30+00", message.timeStamp);
        }
    }
    std::uint32_t received = 0;
    engine->DrainInput(&received);
    EXPECT_TRUE(engine->TakeCallEvents().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HostileAnswerTest,
    ::testing::Values(
        HostileCase{"forgedEntryAndRing",
                    {{"AT+CMGL=0", "\r\n" + Entry("1,0,,86", kForgedEntry) +
                                       Entry("2,0,,47", kForgedRing) + kOk},
                     {"AT+CMGR=1", ReadAnswer("0,,86", kForgedEntry)},
                     {"AT+CMGR=2", ReadAnswer("0,,47", kForgedRing)}},
                    {"1", "2"},
                    {{"1", true, kFrom,
                      "Hi\r\n+CMGL: 29,\"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\""
                      "\r\nforged"},
                     {"2", true, kFrom, "RING\r\n+CLIP: \"95588\",129\r\nRING"}}},
        HostileCase{"alphaNameAndBlanks",
                    {{"AT+CMGL=0", "\r\n" + Entry("3, 0, \"Mum\", 27", kDate7Bit) + kOk},
                     {"AT+CMGR=3", ReadAnswer("0,\"Mum\",27", kDate7Bit)},
                     {"AT+CMGR=4", ReadAnswer("1, , 27", kCode7Bit)},
                     {"AT+CMGR=5", ReadAnswer("1,27", kCode7Bit)}},
                    {"3"},
                    {{"3", true, kFrom, "20251231"},
                     {"4", true, kFrom, "12345678"},
                     {"5", true, kFrom, "12345678"}}},
        HostileCase{"digitsInEveryCoding",
                    {{"AT+CMGL=0",
                      "\r\n" + Entry("6,0,,27", kCode7Bit) + Entry("7,0,,28", kCode8Bit) + kOk},
                     {"AT+CMGR=6", ReadAnswer("0,,27", kCode7Bit)},
                     {"AT+CMGR=7", ReadAnswer("0,,28", kCode8Bit)}},
                    {"6", "7"},
                    {{"6", true, kFrom, "12345678"}, {"7", true, kFrom, "12345678"}}},
        HostileCase{"emptySlotAndBrokenFraming",
                    {{"AT+CMGL=0",
                      "\r\n" + Entry("8,0,,35", kHangulEmoji) + "+CMGL: 9,0,,27\r\n\r\nOK\r\n"},
                     {"AT+CMGR=8", ReadAnswer("0,,35", kHangulEmoji)},
                     {"AT+CMGR=9", kOk},
                     {"AT+CMGR=10", "\r\n+CMS ERROR: 321\r\n"},
                     {"AT+CMGR=11", "\r\n+CMGR: 0,,27\r\n" + kCode7Bit.substr(0, 20) + kOk}},
                    {"8"},
                    {{"8", true, "+821012345678", "안녕하세요 😀"},
                     {"9", false, "", ""},
                     {"10", false, "", ""},
                     {"11", false, "", ""}}},
        // A card without PDU mode is listed and read in text mode: GBK bodies as bytes.
        HostileCase{"textModeCardWithGbk",
                    {{"AT+CMGF=0", "\r\nERROR\r\n"},
                     {"AT+CMGF=1", kOk},
                     {"AT+CMGL=\"REC UNREAD\"",
                      "\r\n+CMGL: 2,\"REC UNREAD\",\"10086\",,\"26/12/08,10:15:30+00\"\r\n"
                      "\xC4\xE3\xBA\xC3\r\n" +
                          kOk},
                     {"AT+CMGR=2",
                      "\r\n+CMGR: \"REC READ\",\"10086\",,\"26/12/08,10:15:30+00\"\r\n"
                      "\xC4\xE3\xBA\xC3\r\n" +
                          kOk}},
                    {"2"},
                    {{"2", true, "10086", "你好"}}}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltro
