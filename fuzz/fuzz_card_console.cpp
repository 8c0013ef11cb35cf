// The command language of veltrogprs-vcard's standard input, one line at a time, on a
// card that is not plugged in (plug and unplug would make ptys and are left out).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "vcard/CardConsole.h"
#include "vcard/VirtualCard.h"

using veltro::vcard::CardConsole;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    veltro::vcard::VirtualCard card;
    CardConsole console(card);
    while (!text.empty() && !console.QuitRequested()) {
        const auto end = text.find('\n');
        const std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.find("plug") != std::string::npos) {
            continue;
        }
        std::string number;
        std::string body;
        if (CardConsole::ParseMessage(line, number, body)) {
            FUZZ_CHECK(number.size() + body.size() <= line.size());
        }
        console.Execute(line);
    }
    return 0;
}
