// A command line as the virtual card reads it from its client (V.250): the body after
// "AT", without the CR.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vcard/AtCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    if (const auto commands = veltro::vcard::AtCommandLine::Split(body)) {
        FUZZ_CHECK(commands->size() <= size);
        for (const auto& command : *commands) {
            FUZZ_CHECK(!command.name.empty());
            FUZZ_CHECK(command.name.size() <= size);
        }
    }
    return 0;
}
