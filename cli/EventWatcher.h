#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CommandOutput.h"
#include "modem/ModemEngine.h"

namespace veltro::cli {

// Turns what the modem sends unasked into the events of watch, one poll at a time, the
// way the call page's poll does: a ring (with its caller when the caller line came
// with it), a hang-up ("NO CARRIER") and a new message ("+CMTI: "SM",INDEX"). A "RING"
// whose caller line has not come by the next poll is reported on its own.
//
// Plain output: "ring", "caller: NUMBER", "no-carrier", "message: INDEX" lines. JSON:
// one object a line, {"event": "ring"[, "caller": NUMBER]}, {"event": "hangup"},
// {"event": "message", "storage": "SM", "index": INDEX}.
class EventWatcher {
public:
    // The call page polls the modem at this period; watch does the same.
    static constexpr std::uint32_t kPollMs = 950;

    EventWatcher(ModemEngine& engine, CommandOutput& output) : engine_(engine), output_(output) {}

    // Drains the port and reports the events found.
    void Poll();

private:
    void Ring(const std::optional<std::string>& caller);
    // Reports the message lines among the complete lines not looked at yet, and
    // empties the buffer once every line in it has been looked at, so that a long
    // watch never fills it.
    void TakeMessageLines();

    ModemEngine& engine_;
    CommandOutput& output_;
    bool ringPending_ = false;
    std::size_t scanned_ = 0;
};

}  // namespace veltro::cli
