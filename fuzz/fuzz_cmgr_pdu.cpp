// The PDU-mode answer to "AT+CMGR=": whether the message carries a user-data header,
// and then its raw bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/CmgrParser.h"

using veltro::CmgrParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    veltro::ReceivedMessage message;
    const auto verdict = CmgrParser::ParsePduAnswer(answer, message);
    if (verdict == CmgrParser::PduVerdict::WithHeader) {
        // 8-bit messages without a header are delivered as their PDU too.
        FUZZ_CHECK(message.hasHeader || message.eightBit);
        FUZZ_CHECK(message.pduLength > 0);
        FUZZ_CHECK(static_cast<std::size_t>(message.pduLength) == message.bytes.size());
        FUZZ_CHECK(message.bytes.size() <= size / 2);
    } else {
        FUZZ_CHECK(!message.hasHeader);
        FUZZ_CHECK(message.bytes.empty());
    }
    return 0;
}
