// The status readers over a receive buffer: "+CPIN: ", "+CGREG: ", "$CSQ: ", the
// manufacturer probe answer and the leading integers they are built on.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/StatusParsers.h"

using veltro::StatusParsers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    StatusParsers::SimReady(text);
    for (const auto& field :
         {StatusParsers::PacketRegistration(text), StatusParsers::SignalValue(text)}) {
        // The engine masks what a parse consumed; it can never be more than the text.
        FUZZ_CHECK(field.consumed <= text.size());
        FUZZ_CHECK(field.ok || field.value == 0);
    }
    StatusParsers::HasManufacturer(text, "BenQ");
    StatusParsers::HasManufacturer(text, "WAVECOM MODEM");
    int value = 0;
    StatusParsers::LeadingInteger(text, &value);
    return 0;
}
