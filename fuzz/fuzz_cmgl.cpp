// The answer to "AT+CMGL=": the storage indices, which go back to the modem inside
// "AT+CMGR=" and "AT+CMGD=" lines and must fit a 10-byte slot.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/MessageListParser.h"
#include "modem/PduAnswerParser.h"

using veltro::MessageListParser;
using veltro::PduAnswerParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const auto listing = MessageListParser::Parse(answer);
    FUZZ_CHECK(listing.indices.size() <= size / 8);
    for (const std::string& index : listing.indices) {
        FUZZ_CHECK(!index.empty());
        FUZZ_CHECK(index.size() <= MessageListParser::kMaxIndexChars);
        FUZZ_CHECK(index.find_first_not_of("0123456789") == std::string::npos);
    }
    // The PDU-mode listing: every entry has its index and a whole PDU line.
    for (const PduAnswerParser::Entry& entry : PduAnswerParser::ParseListing(answer).entries) {
        FUZZ_CHECK(!entry.index.empty() && entry.index.size() <= PduAnswerParser::kMaxIndexChars);
        FUZZ_CHECK(entry.index.find_first_not_of("0123456789") == std::string::npos);
        FUZZ_CHECK(!entry.pdu.empty() && entry.pdu.size() <= PduAnswerParser::kMaxPduOctets);
    }
    return 0;
}
