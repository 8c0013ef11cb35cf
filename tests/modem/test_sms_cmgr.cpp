#include <gtest/gtest.h>

#include <string>

#include "modem/CmgrParser.h"
#include "modem/GbkText.h"

namespace veltro {
namespace {

// 7-bit SMS-DELIVER without header ("Ok sir"), and part 3/3 of a UCS2 message
// (python3-gammu).
constexpr const char* kPlainPdu =
    "0791198948004544040C9119894882006200007050307040042206CF35689E9603";
constexpr const char* kHeaderPdu =
    "0891683108100005F0400D91683119325476F80008622180015103002A0500032A0303957F957F957F957F957F"
    "957F957F957F957F957F957F957F957F957F957F957FD83DDE00";
// No service centre, originator "10086" (national), DCS 04, two octets of 8-bit data.
constexpr const char* kEightBitPdu = "000405810180F600042612801051002302CAFE";

std::string PduAnswer(const std::string& header, const std::string& pdu) {
    return "\r\n+CMGR: " + header + "\r\n" + pdu + "\r\n\r\nOK\r\n";
}

struct PduCase {
    const char* name;
    std::string answer;
    bool parsed;
    bool raw;  // delivered as its PDU (a header or 8-bit data)
    std::u16string text;
};

class PduAnswerTest : public ::testing::TestWithParam<PduCase> {};

TEST_P(PduAnswerTest, DecodesByTheStatedCoding) {
    const PduCase& c = GetParam();
    ReceivedMessage message;
    ASSERT_EQ(c.parsed, CmgrParser::ParsePduAnswer(c.answer, message));
    EXPECT_EQ(c.parsed && c.raw, message.hasHeader || message.eightBit);
    EXPECT_EQ(c.parsed && !c.raw, message.isUcs2);
    EXPECT_EQ(c.text, message.text);
    EXPECT_EQ(static_cast<std::size_t>(message.pduLength), message.bytes.size());
    if (!c.parsed) {
        EXPECT_EQ(ReceivedMessage::kUnknown, message.number);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PduAnswerTest,
    ::testing::Values(
        PduCase{"plain", PduAnswer("1,,25", kPlainPdu), true, false, u"Ok sir"},
        PduCase{"alphaName", PduAnswer("1,\"Mum\",25", kPlainPdu), true, false, u"Ok sir"},
        PduCase{"blanksAfterCommas", PduAnswer("1, , 25", kPlainPdu), true, false, u"Ok sir"},
        PduCase{"noAlphaField", PduAnswer("1,25", kPlainPdu), true, false, u"Ok sir"},
        PduCase{"userDataHeader", PduAnswer("1,,62", kHeaderPdu), true, true, u""},
        PduCase{"eightBit", PduAnswer("1,,18", kEightBitPdu), true, true, u""},
        PduCase{"noCmgr", "\r\n+CMGL: 1,,25\r\n" + std::string(kPlainPdu) + "\r\nOK\r\n", false,
                false, u""},
        PduCase{"indexEchoed", PduAnswer("4,1,,25", kPlainPdu), false, false, u""},
        PduCase{"lengthNotANumber", PduAnswer("1,,2x", kPlainPdu), false, false, u""},
        PduCase{"alphaWithLineBreak",
                "\r\n+CMGR: 1,\"M\r\num\",25\r\n" + std::string(kPlainPdu) + "\r\nOK\r\n", false,
                false, u""},
        PduCase{"pduOnTheHeaderLine", "\r\n+CMGR: 1,,25 " + std::string(kPlainPdu) + "\r\nOK\r\n",
                false, false, u""},
        PduCase{"pduCut", "\r\n+CMGR: 1,,25\r\n0791198948", false, false, u""},
        PduCase{"oddDigits", PduAnswer("1,,25", std::string(kPlainPdu) + "0"), false, false, u""},
        PduCase{"lowerCase", PduAnswer("1,,25", "0a91"), false, false, u""},
        PduCase{"notADeliver", PduAnswer("0,,3", "0001AB12"), false, false, u""}),
    [](const ::testing::TestParamInfo<PduCase>& info) { return std::string(info.param.name); });

std::string TextAnswer(const std::string& header, const std::string& body) {
    return "\r\n+CMGR: " + header + "\r\n" + body + "\r\n\r\nOK\r\n";
}

const std::string kHeader = "\"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"";

struct TextCase {
    const char* name;
    std::string answer;
    bool ucs2;
    std::u16string text;  // ucs2
    std::string bytes;    // raw
};

class TextAnswerTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextAnswerTest, TellsUcs2FromRaw) {
    const TextCase& c = GetParam();
    ReceivedMessage message;
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(c.answer, 2, message));
    EXPECT_EQ("+8613800138000", message.number);
    EXPECT_EQ("26/12/08,10:15:30+32", message.timeStamp);
    EXPECT_EQ(c.ucs2, message.isUcs2);
    EXPECT_EQ(c.text, message.text);
    EXPECT_EQ(c.bytes, message.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, TextAnswerTest,
    ::testing::Values(
        TextCase{"nihao", TextAnswer(kHeader, "4F60597D"), true, u"你好", ""},
        TextCase{"fourDigits", TextAnswer(kHeader, "0041"), true, u"A", ""},
        // Text mode states no data coding: digits and capitals in groups of four are
        // guessed to be UCS2. Only a card without PDU mode is read this way.
        TextCase{"hexGuessWithoutCoding", TextAnswer(kHeader, "12345678"), true, u"\u1234\u5678",
                 ""},
        TextCase{"emptyBody", TextAnswer(kHeader, ""), true, u"", ""},
        TextCase{"lowerCaseHexIsRaw", TextAnswer(kHeader, "4f60597d"), false, u"", "4f60597d"},
        TextCase{"oddLengthIsRaw", TextAnswer(kHeader, "4F60597"), false, u"", "4F60597"},
        TextCase{"gbkText", TextAnswer(kHeader, "\xC4\xE3\xBA\xC3"), false, u"",
                 "\xC4\xE3\xBA\xC3"},
        TextCase{"multiLine", TextAnswer(kHeader, "line one\r\nline two"), false, u"",
                 "line one\r\nline two"},
        TextCase{"bodyHoldsOk", TextAnswer(kHeader, "OK, see you\r\nOK\r\nbye"), false, u"",
                 "OK, see you\r\nOK\r\nbye"},
        TextCase{
            "quotedAlpha",
            TextAnswer("\"REC READ\",\"+8613800138000\",\"Mum\",\"26/12/08,10:15:30+32\"", "0041"),
            true, u"A", ""},
        TextCase{"lineEndsWithoutBlankLine", "\r\n+CMGR: " + kHeader + "\r\n0041\r\nOK\r\n", true,
                 u"A", ""},
        TextCase{"urcAfterOk", TextAnswer(kHeader, "0041") + "\r\nRING\r\n", true, u"A", ""}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

struct BadTextCase {
    const char* name;
    std::string answer;
};

class MalformedTextAnswerTest : public ::testing::TestWithParam<BadTextCase> {};

TEST_P(MalformedTextAnswerTest, FailsAndKeepsUnknown) {
    ReceivedMessage message;
    EXPECT_FALSE(CmgrParser::ParseTextAnswer(GetParam().answer, 2, message));
    EXPECT_EQ(ReceivedMessage::kUnknown, message.number);
    EXPECT_EQ(ReceivedMessage::kUnknown, message.timeStamp);
    EXPECT_TRUE(message.text.empty());
    EXPECT_TRUE(message.bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MalformedTextAnswerTest,
    ::testing::Values(
        BadTextCase{"empty", ""}, BadTextCase{"error", "\r\n+CMS ERROR: 321\r\n"},
        BadTextCase{"noOk", "\r\n+CMGR: " + kHeader + "\r\n0041\r\n"},
        BadTextCase{"okInsideLineOnly", "\r\n+CMGR: " + kHeader + "\r\nnot OK at all"},
        BadTextCase{"noHeaderEnd", "\r\n+CMGR: " + kHeader},
        BadTextCase{"statusTooFar", std::string(60, ' ') + TextAnswer(kHeader, "0041")},
        BadTextCase{"numberTooLong", TextAnswer("\"REC UNREAD\",\"" + std::string(50, '1') +
                                                    "\",,\"26/12/08,10:15:30+32\"",
                                                "0041")},
        BadTextCase{"numberAcrossLines",
                    TextAnswer("\"REC UNREAD\",\"123\r\n45\",,\"26/12/08,10:15:30+32\"", "0041")},
        BadTextCase{"timeStampTooLong",
                    TextAnswer("\"REC UNREAD\",\"123\",,\"" + std::string(32, '9') + "\"", "0041")},
        BadTextCase{"timeStampUnclosed", "\r\n+CMGR: \"REC UNREAD\",\"123\",,\"26/12/08"},
        BadTextCase{"timeStampUnquoted", TextAnswer("\"STO UNSENT\",\"+10011\",,145,17", "Hi")},
        BadTextCase{"spacedFields",
                    TextAnswer("\"REC READ\", \"+4123456789132\", \"2009/8/18,19:11:45\"", "Hi")}),
    [](const ::testing::TestParamInfo<BadTextCase>& info) { return std::string(info.param.name); });

TEST(TextAnswerTest, StatusBoundFollowsTheModeAnswer) {
    const std::string answer = std::string(60, ' ') + TextAnswer(kHeader, "0041");
    ReceivedMessage message;
    EXPECT_FALSE(CmgrParser::ParseTextAnswer(answer, 2, message));
    EXPECT_TRUE(CmgrParser::ParseTextAnswer(answer, 30, message));
}

TEST(TextAnswerTest, NumberBoundsAndWithheldNumber) {
    ReceivedMessage message;
    const std::string longest(49, '1');
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(
        TextAnswer("\"REC UNREAD\",\"" + longest + "\",,\"26/12/08,10:15:30+32\"", "0041"), 2,
        message));
    EXPECT_EQ(longest, message.number);
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(
        TextAnswer("\"REC UNREAD\",\"\",,\"26/12/08,10:15:30+32\"", "0041"), 2, message));
    EXPECT_EQ("", message.number);
}

TEST(TextAnswerTest, LongBodiesAreCutToTheBuffers) {
    ReceivedMessage message;
    std::string hex;
    for (int i = 0; i < 1100; ++i) {
        hex += "0041";
    }
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(TextAnswer(kHeader, hex), 2, message));
    EXPECT_TRUE(message.isUcs2);
    EXPECT_EQ(CmgrParser::kWorkAreaBytes / 4, message.text.size());

    // A surrogate pair cut in the middle loses its first half too.
    std::string pairs;
    for (int i = 0; i < 400; ++i) {
        pairs += "D83DDE00";
    }
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(TextAnswer(kHeader, "0041" + pairs), 2, message));
    EXPECT_EQ(749u, message.text.size());
    EXPECT_EQ(0xDE00, message.text.back());

    std::string gbk;
    for (int i = 0; i < 1500; ++i) {
        gbk += "\xC4\xE3";
    }
    ASSERT_TRUE(CmgrParser::ParseTextAnswer(TextAnswer(kHeader, "x" + gbk), 2, message));
    EXPECT_FALSE(message.isUcs2);
    // 1998 bytes would split a character after the leading 'x'.
    EXPECT_EQ(1997u, message.bytes.size());
    EXPECT_EQ("x" + gbk.substr(0, 1996), message.bytes);
}

}  // namespace
}  // namespace veltro
