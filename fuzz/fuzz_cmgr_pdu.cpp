// The PDU-mode answer to "AT+CMGR=": its framing, then the SMS-DELIVER it holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/CmgrParser.h"

using veltro::CmgrParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    veltro::ReceivedMessage message;
    if (CmgrParser::ParsePduAnswer(answer, message)) {
        // A message with a header or 8-bit data comes as its PDU, any other as text.
        FUZZ_CHECK((message.hasHeader || message.eightBit) != message.isUcs2);
        FUZZ_CHECK(static_cast<std::size_t>(message.pduLength) == message.bytes.size());
        FUZZ_CHECK(message.bytes.size() <= size / 2);
        FUZZ_CHECK(message.text.size() <= CmgrParser::kMaxBodyUnits);
    } else {
        FUZZ_CHECK(!message.hasHeader && !message.isUcs2);
        FUZZ_CHECK(message.bytes.empty());
    }
    return 0;
}
