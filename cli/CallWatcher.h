#pragma once

#include <cstdint>
#include <iosfwd>

#include "modem/ModemEngine.h"

namespace veltro::cli {

// Turns what the modem sends unasked into call events, one poll at a time, the way the
// call page's poll does: "ring" with "caller: NUMBER" when the caller line came with
// it, and "no-carrier". A "RING" whose caller line has not come by the next poll is
// printed on its own.
class CallWatcher {
public:
    // The call page polls the modem at this period; watch does the same.
    static constexpr std::uint32_t kPollMs = 950;

    CallWatcher(ModemEngine& engine, std::ostream& out) : engine_(engine), out_(out) {}

    // Drains the port and prints the events found, one per line.
    void Poll();

private:
    ModemEngine& engine_;
    std::ostream& out_;
    bool ringPending_ = false;
};

}  // namespace veltro::cli
