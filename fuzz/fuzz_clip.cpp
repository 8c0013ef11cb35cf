// The caller-identification line "+CLIP: " that follows "RING".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/CallerIdParser.h"

using veltro::CallerIdParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto number = CallerIdParser::Parse(text)) {
        FUZZ_CHECK(number->size() <= 3 * CallerIdParser::kMaxNumberChars);
        FUZZ_CHECK(number->find_first_of("\r\n") == std::string::npos);
    }
    return 0;
}
