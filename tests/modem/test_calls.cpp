#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "modem/CallerIdParser.h"

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
        CallerCase{"ringAndClip", "\r\nRING\r\n\r\n+CLIP: \"13800138000\",129,,,,0\r\n",
                   "13800138000"},
        CallerCase{"twoFields", "+CLIP: \"+27821231234\",145\r\n", "+27821231234"},
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

}  // namespace
}  // namespace veltro
