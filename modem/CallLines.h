#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// One unsolicited call line, in the order the modem sent it.
struct CallEvent {
    enum class Kind { Ring, Caller, NoCarrier };
    Kind kind;
    // Caller: the number of its "+CLIP: " line (UTF-8, empty when withheld), or nullopt
    // when the line could not be read.
    std::optional<std::string> number;

    bool operator==(const CallEvent&) const = default;
};

// The unsolicited lines a voice call brings: "RING", the caller line "+CLIP: ..." and
// "NO CARRIER". Pure functions over received text.
class CallLines {
public:
    // Whether one line (without its CR LF) is a call line.
    static bool IsCallLine(std::string_view line);
    // The events of the call lines in text, in order; other lines are skipped.
    static std::vector<CallEvent> Events(std::string_view text);
    // Whether text holds an "OK" final result on a line of its own: after the start of
    // text or a line break, followed by a line break or the end of text.
    static bool HasOkLine(std::string_view text);
};

}  // namespace veltro
