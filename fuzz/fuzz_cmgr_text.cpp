// The text-mode answer to "AT+CMGR=": number, time stamp and body, each bounded. The
// first input byte places the "OK" of the mode switch that came before the answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/CmgrParser.h"

using veltro::CmgrParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t modeOk = data[0] % 64;
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    veltro::ReceivedMessage message;
    if (!CmgrParser::ParseTextAnswer(answer, modeOk, message)) {
        FUZZ_CHECK(message.number == veltro::ReceivedMessage::kUnknown);
        return 0;
    }
    // GBK converted to UTF-8 grows by at most three bytes per input byte.
    FUZZ_CHECK(message.number.size() <= 3 * CmgrParser::kMaxNumberChars);
    FUZZ_CHECK(message.timeStamp.size() <= 3 * CmgrParser::kMaxTimeStampChars);
    FUZZ_CHECK(message.text.size() <= CmgrParser::kMaxBodyUnits);
    FUZZ_CHECK(message.bytes.size() <= 2 * CmgrParser::kMaxBodyUnits);
    FUZZ_CHECK(message.isUcs2 ? message.bytes.empty() : message.text.empty());
    FUZZ_CHECK(!message.hasHeader);
    return 0;
}
