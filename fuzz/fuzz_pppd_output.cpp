// pppd's output as the dial service reads it: one line after another, then the exit
// status. States only move forward, and a dial that ended never reports a live link.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "dialup/ConnectionStatus.h"
#include "dialup/PppdSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte is the exit status; the rest is the output.
    const int exitStatus = static_cast<int>(data[0] % 24) - 1;
    std::string_view output(reinterpret_cast<const char*>(data + 1), size - 1);
    veltro::PppdSession session;
    bool ended = false;
    while (!output.empty()) {
        const auto end = output.find('\n');
        session.Feed(output.substr(0, end));
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        FUZZ_CHECK(session.Interface().size() <= size);
        FUZZ_CHECK(!ended || session.State() == veltro::kStateDisconnected);
        ended = session.State() == veltro::kStateDisconnected;
    }
    session.Exited(exitStatus);
    FUZZ_CHECK(session.State() == veltro::kStateDisconnected);
    if (exitStatus != 0) {
        FUZZ_CHECK(session.Error() != 0);
    }
    return 0;
}
