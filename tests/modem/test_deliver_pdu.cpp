#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "modem/MessageContent.h"
#include "modem/SmsDeliverPdu.h"
#include "modem/Utf16Text.h"
#include "vcard/DeliverPduBuilder.h"

namespace veltro {
namespace {

std::string Bytes(const vcard::StoredMessage& message) {
    return {message.pdu.begin(), message.pdu.end()};
}

std::vector<vcard::StoredMessage> Parts(const std::string& text, bool sixteenBit = false) {
    return vcard::DeliverPduBuilder::Build("+8613912345678", text,
                                           vcard::SmsTimeStamp::At(1765000000), "+8613800000500",
                                           0x1234 & (sixteenBit ? 0xFFFF : 0xFF), sixteenBit);
}

struct ConcatCase {
    const char* name;
    std::string text;
    bool sixteenBit;
    int reference;
};

class DeliverPduTest : public ::testing::TestWithParam<ConcatCase> {};

// What the virtual card delivers reads back part by part: the header's reference,
// count and number, and texts that join into the message.
TEST_P(DeliverPduTest, ReadsEveryPart) {
    const ConcatCase& c = GetParam();
    const auto parts = Parts(c.text, c.sixteenBit);
    ASSERT_GT(parts.size(), 1u);
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto pdu = SmsDeliverPdu::Decode(Bytes(parts[i]));
        ASSERT_TRUE(pdu.has_value()) << i;
        EXPECT_EQ("+8613912345678", pdu->number);
        EXPECT_TRUE(pdu->concatenated);
        EXPECT_EQ(c.reference, pdu->reference);
        EXPECT_EQ(static_cast<int>(parts.size()), pdu->total);
        EXPECT_EQ(static_cast<int>(i + 1), pdu->sequence);
        joined += Utf16Text::ToUtf8(pdu->text);
    }
    EXPECT_EQ(c.text, joined);
}

INSTANTIATE_TEST_SUITE_P(
    Card, DeliverPduTest,
    ::testing::Values(ConcatCase{"gsm8bitReference", std::string(400, 'a') + "{[€]}", false, 0x34},
                      ConcatCase{"gsm16bitReference", std::string(320, 'z') + "^|", true, 0x1234},
                      ConcatCase{"ucs2", std::string(100, 'b') + "你好😀世界", false, 0x34},
                      ConcatCase{"ucs216bit", std::string(140, 'c') + "你", true, 0x1234}),
    [](const ::testing::TestParamInfo<ConcatCase>& info) { return std::string(info.param.name); });

TEST(DeliverPdu, EightBitDataShowsAsTextOrHex) {
    const auto printable = vcard::DeliverPduBuilder::BuildEightBit(
        "10086", "PIN 1234", vcard::SmsTimeStamp::At(1765000000), "+8613800000500");
    ReceivedMessage message;
    message.eightBit = true;
    message.bytes = Bytes(printable);
    MessageContent content = MessageContent::Of(message);
    EXPECT_EQ("10086", content.number);
    EXPECT_EQ("PIN 1234", content.text);
    EXPECT_FALSE(content.isPart);

    const auto binary = vcard::DeliverPduBuilder::BuildEightBit(
        "10086", std::string("\x00\xFF\x10", 3), vcard::SmsTimeStamp::At(1765000000), "");
    message.bytes = Bytes(binary);
    EXPECT_EQ("00FF10", MessageContent::Of(message).text);
}

// Every cut of a valid PDU, and a header that claims more than there is, fails
// cleanly instead of reading beyond the bytes.
TEST(DeliverPdu, CutPdusFail) {
    const std::string whole = Bytes(Parts(std::string(200, 'q'))[0]);
    ASSERT_TRUE(SmsDeliverPdu::Decode(whole).has_value());
    for (std::size_t size = 0; size + 1 < whole.size(); ++size) {
        EXPECT_FALSE(SmsDeliverPdu::Decode(whole.substr(0, size)).has_value()) << size;
    }
    std::string header = whole;
    // A full 7-bit part carries 140 octets of user data, the header length first.
    header[whole.size() - 140] = '\xFF';
    EXPECT_FALSE(SmsDeliverPdu::Decode(header).has_value());
}

TEST(DeliverPdu, UndecodablePduShowsAsHex) {
    ReceivedMessage message;
    message.hasHeader = true;
    message.bytes = std::string("\x00\x44", 2);
    const MessageContent content = MessageContent::Of(message);
    EXPECT_EQ("0044", content.text);
    EXPECT_EQ(ReceivedMessage::kUnknown, content.number);
}

}  // namespace
}  // namespace veltro
