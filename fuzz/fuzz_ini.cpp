// The INI reader behind the dial-up phonebook, the device defaults, the connection
// records and the modem device table. A document the strict reader accepts must come
// back unchanged from the text it writes, or the next write of a store would leave a
// file that its own reader calls damaged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "modem/IniDocument.h"
#include "modem/ModemDeviceClass.h"

using veltro::IniDocument;

namespace {

bool Same(const IniDocument& a, const IniDocument& b) {
    if (a.Sections().size() != b.Sections().size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Sections().size(); ++i) {
        if (a.Sections()[i].name != b.Sections()[i].name ||
            a.Sections()[i].values != b.Sections()[i].values) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto document = IniDocument::Parse(text)) {
        const auto again = IniDocument::Parse(document->Text());
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(Same(*document, *again));
    }
    const IniDocument lenient = IniDocument::ParseLenient(text);
    FUZZ_CHECK(Same(lenient, IniDocument::ParseLenient(lenient.Text())));

    const auto table = veltro::ModemDeviceClass::FromTableText(text);
    for (int i = 0; i < veltro::ModemDeviceClass::kInstanceCount; ++i) {
        if (const auto device = table.Instance(i)) {
            FUZZ_CHECK(device->friendlyName.size() <= size);
            FUZZ_CHECK(device->attachedTo.size() <= size);
        }
    }
    return 0;
}
