// The virtual card as its client drives it: whatever bytes arrive on the line, in
// whatever pieces, at the card's rate. This reaches the command-line reader, every
// command handler, the message-body reader and the SMS-SUBMIT decoder.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vcard/CardModem.h"

using veltro::vcard::CardModem;
using veltro::vcard::CardOptions;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CardOptions options;
    options.smsCapacity = 5;
    CardModem card(options);
    card.AddMessage("+8613800138000", "hello", 0);
    std::uint64_t now = 1000;
    std::size_t at = 0;
    std::size_t said = 0;
    // Each piece: one byte of length and pause, then that many bytes of the line.
    while (at < size) {
        const std::size_t length = 1 + data[at] % 64;
        now += 10 * (data[at] >> 6);
        ++at;
        const std::size_t take = length < size - at ? length : size - at;
        card.Receive(std::string_view(reinterpret_cast<const char*>(data + at), take),
                     card.BaudRate(), now);
        at += take;
        for (const auto& output : card.TakeOutput(now)) {
            said += output.bytes.size();
        }
    }
    now += 60000;
    card.Advance(now);
    for (const auto& output : card.TakeOutput(now)) {
        said += output.bytes.size();
    }
    // A minute of simulated downlink and a few dozen answers per command byte at most.
    FUZZ_CHECK(said <= 64 * size + 4096 * 70 + 65536);
    FUZZ_CHECK(card.Store().Used() <= 5);
    return 0;
}
