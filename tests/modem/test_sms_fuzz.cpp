#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "modem/CallerIdParser.h"
#include "modem/CmgrParser.h"
#include "modem/MessageListParser.h"
#include "modem/PduAnswerParser.h"

namespace veltro {
namespace {

// Bounded mutation fuzzing of the parsers that take modem answers: well-formed answers
// are cut, spliced and sprinkled with the tokens the parsers look for, with a fixed
// seed so that a failure repeats. Run under ASan, an overread anywhere shows at once.
constexpr int kRounds = 20000;

const std::vector<std::string> kTokens = {"\r\n",      "\r",
                                          "\n",        "\"",
                                          ",",         ",,",
                                          ",\"\",",    "\",\"",
                                          "\",",       "OK",
                                          "+CMGR: ",   "+CMGL: ",
                                          "+CLIP: \"", "RING",
                                          "0791",      "FF",
                                          "40",        "04",
                                          "00",        "D83D",
                                          "\xC4",      std::string(1, '\0'),
                                          " ",         "999999"};

std::string Mutate(std::string text, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
        switch (random() % 5) {
            case 0:
                text.insert(at, kTokens[random() % kTokens.size()]);
                break;
            case 1:
                if (at < text.size()) {
                    text.erase(at, 1 + random() % 8);
                }
                break;
            case 2:
                if (at < text.size()) {
                    text[at] = static_cast<char>(random() % 256);
                }
                break;
            case 3:
                text.resize(at);
                break;
            default:
                text.insert(at, std::string(1 + random() % 80, static_cast<char>(random() % 256)));
                break;
        }
    }
    return text;
}

std::string RandomBytes(std::mt19937& random) {
    std::string text(random() % 300, '\0');
    for (char& c : text) {
        c = static_cast<char>(random() % 256);
    }
    return text;
}

template <typename Check>
void Fuzz(const std::vector<std::string>& seeds, unsigned seed, Check check) {
    std::mt19937 random(seed);
    for (int round = 0; round < kRounds; ++round) {
        const std::string input =
            round % 10 == 0 ? RandomBytes(random) : Mutate(seeds[random() % seeds.size()], random);
        check(input);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "round " << round << ", input of " << input.size() << " bytes";
            return;
        }
    }
}

TEST(ParserFuzzTest, PduAnswer) {
    const std::vector<std::string> seeds = {
        "\r\n+CMGR: 1,,25\r\n0791198948004544040C9119894882006200007050307040042206CF35689E9603"
        "\r\n\r\nOK\r\n",
        "\r\n+CMGR: 0,\"\",38\r\n0791246020099990400C91247042972767000070107031107440A00500030102"
        "\r\nOK\r\n",
        "+CMGR: 1,,3\r\n0044AB12\r\n\r\nOK\r\n"};
    Fuzz(seeds, 1u, [](const std::string& input) {
        ReceivedMessage message;
        if (CmgrParser::ParsePduAnswer(input, message)) {
            ASSERT_NE(message.hasHeader || message.eightBit, message.isUcs2);
            ASSERT_EQ(static_cast<std::size_t>(message.pduLength), message.bytes.size());
            ASSERT_LE(message.bytes.size(), input.size() / 2);
        } else {
            ASSERT_FALSE(message.hasHeader || message.isUcs2);
            ASSERT_TRUE(message.bytes.empty());
        }
    });
}

TEST(ParserFuzzTest, TextAnswer) {
    const std::vector<std::string> seeds = {
        "\r\n+CMGR: \"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"\r\n4F60597D\r\n"
        "\r\nOK\r\n",
        "\r\n+CMGR: \"REC READ\",\"+31625044454\",\"Mum\",\"07/07/05,09:56:03+08\"\r\nTest OK\r\n"
        "\r\nOK\r\n",
        "+CMGR: \"REC UNREAD\",\"\",,\"x\"\r\n\xC4\xE3\r\nOK"};
    Fuzz(seeds, 2u, [](const std::string& input) {
        ReceivedMessage message;
        if (!CmgrParser::ParseTextAnswer(input, 2, message)) {
            ASSERT_EQ(ReceivedMessage::kUnknown, message.number);
            return;
        }
        // Converted text may grow by a replacement character per byte, never more.
        ASSERT_LE(message.number.size(), 3 * CmgrParser::kMaxNumberChars);
        ASSERT_LE(message.timeStamp.size(), 3 * CmgrParser::kMaxTimeStampChars);
        ASSERT_LE(message.text.size(), CmgrParser::kMaxBodyUnits);
        ASSERT_LE(message.bytes.size(), 2 * CmgrParser::kMaxBodyUnits);
        ASSERT_TRUE(message.isUcs2 ? message.bytes.empty() : message.text.empty());
    });
}

TEST(ParserFuzzTest, CallerNumber) {
    const std::vector<std::string> seeds = {
        "\r\nRING\r\n\r\n+CLIP: \"13800138000\",129,,,,0\r\n",
        "RING\r\n+CLIP: \"XXXXXXXXXXXXX\",145,\"\",128,\"\",0\r\nNO CARRIER\r\n",
        "+CIEV: \"CALL\",1\r\nRING\r\n+CLIP: \"\",128\r\n"};
    Fuzz(seeds, 3u, [](const std::string& input) {
        const auto number = CallerIdParser::Parse(input);
        if (number) {
            ASSERT_LE(number->size(), 3 * CallerIdParser::kMaxNumberChars);
            ASSERT_EQ(std::string::npos, number->find_first_of("\r\n"));
        }
    });
}

TEST(ParserFuzzTest, Listing) {
    const std::vector<std::string> seeds = {
        "\r\n+CMGL: 1,\"REC UNREAD\",\"+86138\",,\"26/12/08\"\r\nHi\r\n+CMGL: 2,1,,22\r\n00\r\n"
        "\r\nOK\r\n",
        "\r\n+CMGL: 3, 0, \"Mum\", 3\r\n0044AB12\r\n+CMGL: 4,1,,3\r\n0044AB12\r\n\r\nOK\r\n"};
    Fuzz(seeds, 4u, [](const std::string& input) {
        for (const std::string& index : MessageListParser::Parse(input).indices) {
            ASSERT_FALSE(index.empty());
            ASSERT_LE(index.size(), MessageListParser::kMaxIndexChars);
            ASSERT_EQ(std::string::npos, index.find_first_not_of("0123456789"));
        }
        for (const PduAnswerParser::Entry& entry : PduAnswerParser::ParseListing(input).entries) {
            ASSERT_LE(entry.index.size(), PduAnswerParser::kMaxIndexChars);
            ASSERT_EQ(std::string::npos, entry.index.find_first_not_of("0123456789"));
            ASSERT_FALSE(entry.pdu.empty());
            ASSERT_LE(entry.pdu.size(), PduAnswerParser::kMaxPduOctets);
        }
    });
}

}  // namespace
}  // namespace veltro
