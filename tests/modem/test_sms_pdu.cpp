#include <gtest/gtest.h>

#include <string>

#include "modem/HexPair.h"
#include "modem/MessageReference.h"
#include "modem/SmsPduBuilder.h"
#include "modem/Utf16Text.h"

namespace veltro {
namespace {

std::string Hex(std::string_view pdu, std::size_t from, std::size_t count) {
    return std::string(pdu.substr(from, count));
}

TEST(MessageReferenceTest, EveryPduTakesTheNextReference) {
    MessageReference reference;
    std::string seen;
    for (int i = 0; i < 11; ++i) {
        const auto pdu = SmsPduBuilder::Build("13800138000", u"x", reference);
        ASSERT_TRUE(pdu);
        seen += Hex(pdu->hex, 4, 2) + " ";
    }
    EXPECT_EQ("01 02 03 04 05 06 07 08 09 00 01 ", seen);
}

TEST(MessageReferenceTest, RefusedBuildKeepsTheReference) {
    MessageReference reference;
    EXPECT_FALSE(SmsPduBuilder::Build("1380013800x", u"x", reference));
    EXPECT_FALSE(SmsPduBuilder::Build("13800138000", std::u16string(71, u'a'), reference));
    EXPECT_EQ(1, reference.Next());
}

struct AddressCase {
    const char* name;
    const char* number;
    const char* fields;  // length, type and digits, or "" when refused
};

class DestinationAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(DestinationAddressTest, EncodesTheDigitsItCounts) {
    const AddressCase& c = GetParam();
    std::size_t digits = 0;
    const auto address = SmsPduBuilder::DestinationAddress(c.number, &digits);
    if (std::string(c.fields).empty()) {
        EXPECT_FALSE(address);
        return;
    }
    ASSERT_TRUE(address);
    EXPECT_EQ(c.fields, *address);
    EXPECT_EQ(std::stoul(address->substr(0, 2), nullptr, 16), digits);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DestinationAddressTest,
    ::testing::Values(
        // The usual case: an 11-digit mobile number behind country code 86.
        AddressCase{"national11", "12345678901", "0D91682143658709F1"},
        AddressCase{"mobile", "13800138000", "0D91683108108300F0"},
        // International form of the same number: the same bytes, no '+' inside.
        AddressCase{"plus86", "+8613800138000", "0D91683108108300F0"},
        AddressCase{"twelveDigits", "123456789012", "0E9168214365870921"},
        AddressCase{"tenDigits", "1380013800", "0C91683108108300"},
        AddressCase{"otherCountry", "+4915112345678", "0D91945111325476F8"},
        AddressCase{"twentyDigits", "+12345678901234567890", "149121436587092143658709"},
        AddressCase{"tooLong", "+123456789012345678901", ""}, AddressCase{"plusOnly", "+", ""},
        AddressCase{"empty", "", ""}, AddressCase{"innerPlus", "138+0013800", ""},
        AddressCase{"spaces", "138 0013 8000", ""}, AddressCase{"quote", "13800\"13800", ""}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return std::string(info.param.name); });

struct PduCase {
    const char* name;
    const char* number;
    std::u16string text;
    const char* userDataLength;
    const char* userData;
    int tpduLength;
};

class SubmitPduTest : public ::testing::TestWithParam<PduCase> {};

TEST_P(SubmitPduTest, BuildsFieldsInOrder) {
    const PduCase& c = GetParam();
    MessageReference reference;
    const auto pdu = SmsPduBuilder::Build(c.number, c.text, reference);
    ASSERT_TRUE(pdu);
    std::size_t digits = 0;
    const std::string address = *SmsPduBuilder::DestinationAddress(c.number, &digits);
    const std::string expected =
        "001101" + address + "000801" + c.userDataLength + std::string(c.userData);
    EXPECT_EQ(expected, pdu->hex);
    EXPECT_EQ(c.tpduLength, pdu->tpduLength);
    // The TPDU length counts every octet after the empty service centre field.
    EXPECT_EQ(static_cast<std::size_t>(c.tpduLength) * 2, pdu->hex.size() - 2);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SubmitPduTest,
    ::testing::Values(PduCase{"nihao", "13800138000", u"你好", "04", "4f60597d", 19},
                      PduCase{"letterA", "13800138000", u"A", "02", "0041", 17},
                      PduCase{"sevenChars", "13800138000", u"1234567", "0e",
                              "0031003200330034003500360037", 29},
                      PduCase{"eightChars", "13800138000", u"12345678", "10",
                              "00310032003300340035003600370038", 31},
                      PduCase{"padding", "13800138000", u"\u000a\u00ff\u0fff\u1000", "08",
                              "000a00ff0fff1000", 23},
                      PduCase{"surrogatePair", "13800138000", u"\U0001F600", "04", "d83dde00", 19},
                      PduCase{"empty", "13800138000", u"", "00", "", 15},
                      PduCase{"twelveDigits", "123456789012", u"A", "02", "0041", 17},
                      PduCase{"plus86", "+8613800138000", u"A", "02", "0041", 17},
                      PduCase{"otherCountry", "+4915112345678", u"A", "02", "0041", 17}),
    [](const ::testing::TestParamInfo<PduCase>& info) { return std::string(info.param.name); });

TEST(SubmitPduTest, SeventyUnitsFitOneMessage) {
    MessageReference reference;
    const auto pdu = SmsPduBuilder::Build("13800138000", std::u16string(70, u'你'), reference);
    ASSERT_TRUE(pdu);
    EXPECT_EQ("8c", Hex(pdu->hex, 30, 2));
    EXPECT_EQ(15 + 140, pdu->tpduLength);
    EXPECT_EQ(32u + 280u, pdu->hex.size());
}

TEST(SubmitPduTest, LongerTextIsRefusedNotCut) {
    MessageReference reference;
    // 130 units would otherwise go out with length "04" and two units of text.
    EXPECT_FALSE(SmsPduBuilder::Build("13800138000", std::u16string(71, u'a'), reference));
    EXPECT_FALSE(SmsPduBuilder::Build("13800138000", std::u16string(130, u'a'), reference));
    EXPECT_FALSE(SmsPduBuilder::Build("13800138000", std::u16string(128, u'a'), reference));
}

// Parts of 67 units; a surrogate pair at a border moves whole to the next part.
TEST(SubmitPduTest, LongTextSplitsIntoParts) {
    EXPECT_EQ(1u, SmsPduBuilder::PartCount(std::u16string(70, u'a')));
    EXPECT_EQ(2u, SmsPduBuilder::PartCount(std::u16string(71, u'a')));
    EXPECT_EQ(3u, SmsPduBuilder::PartCount(std::u16string(150, u'a')));
    const std::u16string text = std::u16string(66, u'a') + u"\U0001F600" + u"bbb";
    const auto parts = SmsPduBuilder::Split(text);
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ(66u, parts[0].size());
    EXPECT_EQ(u"\U0001F600bbb", parts[1]);

    MessageReference reference;
    const auto pdus = SmsPduBuilder::BuildAll("13800138000", text, reference, 0xAB);
    ASSERT_TRUE(pdus);
    ASSERT_EQ(2u, pdus->size());
    EXPECT_EQ("0051", (*pdus)[0].hex.substr(0, 4));
    EXPECT_EQ("01", (*pdus)[0].hex.substr(4, 2));
    EXPECT_EQ("02", (*pdus)[1].hex.substr(4, 2));
    EXPECT_EQ("8a050003ab0201", (*pdus)[0].hex.substr(30, 14));
    EXPECT_EQ("10050003ab0202d83dde00006200620062", (*pdus)[1].hex.substr(30));
    EXPECT_EQ(15 + 138, (*pdus)[0].tpduLength);
}

TEST(SubmitPduTest, ServiceNumberGoesAsItIs) {
    std::size_t digits = 0;
    EXPECT_EQ(
        "0581"
        "0180F6",
        SmsPduBuilder::DestinationAddress("10086", &digits, true));
    EXPECT_EQ(5u, digits);
    EXPECT_FALSE(SmsPduBuilder::DestinationAddress("+10086", &digits, true));
}

struct HexPairCase {
    const char* name;
    char high;
    char low;
    bool valid;
    std::uint8_t byte;
};

class HexPairTest : public ::testing::TestWithParam<HexPairCase> {};

TEST_P(HexPairTest, ConvertsUpperCaseOnly) {
    const HexPairCase& c = GetParam();
    std::uint8_t byte = 0x55;
    EXPECT_EQ(c.valid, HexPair::HexPairToByte(c.high, c.low, &byte));
    EXPECT_EQ(c.byte, byte);
}

INSTANTIATE_TEST_SUITE_P(Pairs, HexPairTest,
                         ::testing::Values(HexPairCase{"zero", '0', '0', true, 0x00},
                                           HexPairCase{"max", 'F', 'F', true, 0xFF},
                                           HexPairCase{"mixed", '9', 'A', true, 0x9A},
                                           HexPairCase{"lowerFirst", 'a', '0', false, 0x00},
                                           HexPairCase{"lowerSecond", '4', 'f', false, 0x40},
                                           HexPairCase{"badSecond", 'C', 'G', false, 0xC0},
                                           HexPairCase{"nulFirst", '\0', '1', false, 0x00},
                                           HexPairCase{"spaceSecond", '7', ' ', false, 0x70}),
                         [](const ::testing::TestParamInfo<HexPairCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(HexDecodeUpperTest, TakesUpperCaseDigitsOnly) {
    EXPECT_EQ(std::string("\x00\xFF\x9A", 3), HexPair::DecodeUpper("00FF9A"));
    EXPECT_EQ(std::string(), HexPair::DecodeUpper(""));
    for (const char* bad : {"a0", "4f", "CG", "ABC"}) {
        EXPECT_FALSE(HexPair::DecodeUpper(bad)) << bad;
    }
}

TEST(Utf16TextTest, RoundTripsEveryPlane) {
    const std::string utf8 = "A\xC3\xA9你好\xF0\x9F\x98\x80";
    const auto units = Utf16Text::FromUtf8(utf8);
    ASSERT_TRUE(units);
    EXPECT_EQ(u"A\u00e9你好\U0001F600", *units);
    EXPECT_EQ(utf8, Utf16Text::ToUtf8(*units));
}

TEST(Utf16TextTest, RefusesInvalidUtf8AndReplacesLoneSurrogates) {
    EXPECT_FALSE(Utf16Text::FromUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(Utf16Text::FromUtf8("\xE4\xBD"));          // cut sequence
    EXPECT_FALSE(Utf16Text::FromUtf8("\xED\xA0\x80"));      // surrogate code point
    EXPECT_FALSE(Utf16Text::FromUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(Utf16Text::FromUtf8("a\x80z"));
    EXPECT_EQ(
        "\xEF\xBF\xBD"
        "a",
        Utf16Text::ToUtf8(std::u16string{0xD800, u'a'}));
    EXPECT_EQ("a\xEF\xBF\xBD", Utf16Text::ToUtf8(std::u16string{u'a', 0xDC00}));
}

}  // namespace
}  // namespace veltro
