#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modem/MessageListParser.h"

namespace veltro {
namespace {

struct ListingCase {
    const char* name;
    std::string answer;
    std::vector<std::string> indices;
    bool complete;
};

class ListingTest : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ListingTest, TakesIndicesInModemOrder) {
    const ListingCase& c = GetParam();
    const MessageListParser::Listing listing = MessageListParser::Parse(c.answer);
    EXPECT_EQ(c.indices, listing.indices);
    EXPECT_EQ(c.complete, listing.complete);
}

const std::string kEntry = ",\"REC UNREAD\",\"+8613800138000\",,\"26/12/08,10:15:30+32\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Answers, ListingTest,
    ::testing::Values(
        ListingCase{"noMessages", "\r\nOK\r\n", {}, true},
        ListingCase{"nothingAtAll", "", {}, true},
        ListingCase{"textMode",
                    "\r\n+CMGL: 1" + kEntry + "4F60\r\n+CMGL: 12" + kEntry + "Hi\r\n\r\nOK\r\n",
                    {"1", "12"},
                    true},
        ListingCase{"pduMode",
                    "\r\n+CMGL: 17,3,35\r\n0791\r\n+CMGL: 15,3,35\r\n0791\r\n\r\nOK\r\n",
                    {"17", "15"},
                    true},
        // The listing ends at a line without a comma, keeping what came before.
        ListingCase{"lineWithoutComma",
                    "\r\n+CMGL: 1" + kEntry + "Hi\r\n+CMGL: 2\r\n+CMGL: 3" + kEntry + "OK\r\n",
                    {"1"},
                    false},
        ListingCase{"commaMissingAtEnd", "\r\n+CMGL: 4", {}, false},
        // Indices that would not fit a 10-byte slot or are not numbers are left out.
        ListingCase{"indexTooLong",
                    "\r\n+CMGL: 1234567890" + kEntry + "Hi\r\n+CMGL: 123456789" + kEntry,
                    {"123456789"},
                    true},
        ListingCase{
            "indexNotDigits",
            "\r\n+CMGL: 1;ATD112" + kEntry + "\r\n+CMGL: " + kEntry + "\r\n+CMGL: 5" + kEntry,
            {"5"},
            true},
        // A body quoting the listing prefix inside a line is not an entry.
        ListingCase{"prefixInsideBody",
                    "\r\n+CMGL: 1" + kEntry + "see +CMGL: 99,x\r\n\r\nOK\r\n",
                    {"1"},
                    true},
        ListingCase{"atStartOfAnswer", "+CMGL: 0,1,,22\r\n00\r\nOK\r\n", {"0"}, true},
        // Body lines that begin with the prefix are text from the sender, not entries:
        // neither one without a status nor a whole forged header right after an entry.
        ListingCase{
            "bodyLineWithPrefix",
            "\r\n+CMGL: 1" + kEntry + "+CMGL: 8,hello\r\n+CMGL: 2" + kEntry + "Hi\r\n\r\nOK\r\n",
            {"1", "2"},
            true},
        ListingCase{"forgedHeaderAsBody",
                    "\r\n+CMGL: 1" + kEntry + "+CMGL: 8" + kEntry + "\r\nOK\r\n",
                    {"1"},
                    true},
        ListingCase{"indexListedTwice",
                    "\r\n+CMGL: 3" + kEntry + "A\r\n+CMGL: 3" + kEntry + "B\r\nOK\r\n",
                    {"3"},
                    true}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltro
