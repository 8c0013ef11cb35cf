// The SIM lock and USSD readers over a receive buffer: "+CPIN: ", "+CPINR: ",
// "+CPINC: " and "+CUSD: " with its decoders of every data coding.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/SimLock.h"
#include "modem/UssdAnswer.h"
#include "modem/Utf16Text.h"

using veltro::SimLock;
using veltro::UssdAnswer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SimLock::StateOf(text);
    const SimLock::Retries retries = SimLock::RetriesOf(text);
    FUZZ_CHECK(retries.pin >= -1 && retries.pin <= 99 && retries.puk >= -1 && retries.puk <= 99);
    std::optional<UssdAnswer> answer;
    if (UssdAnswer::Find(text, &answer) && answer) {
        FUZZ_CHECK(answer->status >= 0 && answer->status <= 5);
        // Whatever the network sent, the window and the terminal get valid UTF-8.
        FUZZ_CHECK(veltro::Utf16Text::FromUtf8(answer->text).has_value() ||
                   answer->text.find('\0') != std::string_view::npos);
    }
    for (const int dcs : {15, 0x48, 0x44, 0x11, 0xF4}) {
        UssdAnswer::Decode(text, dcs);
    }
    return 0;
}
