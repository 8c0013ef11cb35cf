#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "CapturedAnswers.h"
#include "modem/CallerIdParser.h"
#include "modem/CmgrParser.h"
#include "modem/MessageContent.h"
#include "modem/MessageListParser.h"

namespace veltro {
namespace {

using test::CapturedAnswer;
using test::LoadCapturedAnswers;

// Samples known only line by line are put back on the wire as TS 27.005 frames them:
// the header line, the lines after it, a blank line and the final result code.
std::string OnTheWire(const CapturedAnswer& sample) {
    if (sample.framing != "lines") {
        return sample.received;
    }
    std::vector<std::string> lines;
    std::size_t from = 0;
    const std::string& text = sample.received;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        const std::string line = text.substr(from, end - from);
        if (!line.empty()) {
            lines.push_back(line);
        }
        from = end == std::string::npos ? text.size() : end + 2;
    }
    std::string wire = "\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool final = i + 1 == lines.size() && lines[i] == "OK";
        wire += (final ? "\r\n" : "") + lines[i] + "\r\n";
    }
    return wire;
}

// Runs check on every sample of file against expected, in file order; a sample added
// to the file must be given its expectation here.
template <typename Expected, typename Check>
void ForEachSample(const std::string& file, const std::vector<Expected>& expected, Check check) {
    const std::vector<CapturedAnswer> samples = LoadCapturedAnswers(file);
    ASSERT_EQ(expected.size(), samples.size()) << file;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(file + " #" + std::to_string(i + 1) + ": " + samples[i].source);
        check(OnTheWire(samples[i]), expected[i]);
    }
}

// number and text: python3-gammu's DecodePDU of each sample's PDU; empty text for a
// message delivered as its PDU (a header or 8-bit data).
struct PduExpectation {
    bool parsed;
    std::string number;
    std::string text;
};

TEST(CapturedAnswersTest, CmgrPduMode) {
    const std::vector<PduExpectation> expected = {
        {true, "+919884280026", "Ok sir"},
        {true, "+358456709855", "Test"},  // "+CMGR: 0,23": no alpha field at all
        {true, "+420724797276", ""},
        {false, "", ""},  // a stored SMS-SUBMIT
        {true, "33707520030", ""},
        {false, "", ""},  // "+CMGR: 24": a status report without status and alpha
        {true, "9494", "llamada perdida de: +34617653167 on 07/08  at  11:19."},
        {false, "", ""},  // "+CMGR: 4,1,,151": the index echoed in front
        {true, "+16122001127", "Darmok! Darmok and Jalad at Tanagra"},
        {false, "", ""},  // header and PDU on one line
        {true, "+27748577604", "Hello raspberry pi"},
        {false, "", ""},  // a PDU without its "+CMGR: " line
        {false, "", ""},
    };
    ForEachSample("cmgr_pdu.txt", expected,
                  [](const std::string& answer, const PduExpectation& want) {
                      ReceivedMessage message;
                      ASSERT_EQ(want.parsed, CmgrParser::ParsePduAnswer(answer, message));
                      if (want.parsed) {
                          const MessageContent content = MessageContent::Of(message);
                          EXPECT_EQ(want.number, content.number);
                          if (!want.text.empty()) {
                              EXPECT_EQ(want.text, content.text);
                          }
                      }
                  });
}

struct TextExpectation {
    bool parsed;
    std::string number;
    std::string timeStamp;
    std::string body;
};

TEST(CapturedAnswersTest, CmgrTextMode) {
    const std::vector<TextExpectation> expected = {
        {true, "+31625044454", "07/07/05,09:56:03+08", "Test message 2"},
        {false, "", "", ""},  // blanks after the commas
        {false, "", "", ""},
        {true, "+85291234567", "07/02/18,00:05:10+32",
         "It is easy to read text messages via AT commands."},
        {true, "+393488535999", "07/04/05,18:02:28+08",
         "You have a missed called. Freeinformation provided by your operator."},
        {true, "3473065111", "06/05/28,18:15:41+80", "hello."},
        {false, "", "", ""},  // a stored unsent message has no time stamp
        {false, "", "", ""},  // lines ended by CR alone
        {false, "", "", ""},  // a status report
    };
    ForEachSample("cmgr_text.txt", expected,
                  [](const std::string& answer, const TextExpectation& want) {
                      ReceivedMessage message;
                      ASSERT_EQ(want.parsed, CmgrParser::ParseTextAnswer(answer, 2, message));
                      if (want.parsed) {
                          EXPECT_EQ(want.number, message.number);
                          EXPECT_EQ(want.timeStamp, message.timeStamp);
                          EXPECT_FALSE(message.isUcs2);
                          EXPECT_EQ(want.body, message.bytes);
                      }
                  });
}

TEST(CapturedAnswersTest, CmglIndices) {
    using Indices = std::vector<std::string>;
    const auto check = [](const std::string& answer, const Indices& want) {
        const MessageListParser::Listing listing = MessageListParser::Parse(answer);
        EXPECT_EQ(want, listing.indices);
        EXPECT_TRUE(listing.complete);
    };
    ForEachSample("cmgl_pdu.txt", std::vector<Indices>{{"17", "15", "13", "11"}, {"2"}, {"1", "2"}},
                  check);
    ForEachSample("cmgl_text.txt", std::vector<Indices>{{"0"}, {"1", "2"}}, check);
}

TEST(CapturedAnswersTest, CallerNumbers) {
    using Number = std::optional<std::string>;
    const std::vector<Number> expected = {
        "+0123456789",   "123456789",    "123456789",    std::nullopt,
        "XXXXXXXXXXXXX", "+27821231234", "+27821231234", std::nullopt,
    };
    ForEachSample("clip_ring.txt", expected, [](const std::string& text, const Number& want) {
        EXPECT_EQ(want, CallerIdParser::Parse(text));
    });
}

}  // namespace
}  // namespace veltro
