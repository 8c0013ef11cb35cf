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

// How a voice dial ended, or why its wait did.
enum class DialResult {
    Answered,     // "OK": the far end picked up
    NoCarrier,    // "NO CARRIER"
    Busy,         // "BUSY"
    NoAnswer,     // "NO ANSWER"
    Error,        // "ERROR" or "+CME ERROR: ..."
    NotSent,      // the dial line was refused or could not be written
    Interrupted,  // the wait was stopped (a hang-up, the line let go)
    TimedOut,     // no final result within the limit
};

// The unsolicited lines a voice call brings: "RING", the caller line "+CLIP: ..." and
// "NO CARRIER". Pure functions over received text.
class CallLines {
public:
    // Whether one line (without its CR LF) is a call line.
    static bool IsCallLine(std::string_view line);
    // The events of the call lines in text, in order; other lines are skipped.
    static std::vector<CallEvent> Events(std::string_view text);
    // The dial result one complete line stands for, if it is a final result code.
    static std::optional<DialResult> DialResultOf(std::string_view line);
    // Whether a line begins a message's body: the header of a listed ("+CMGL:") or read
    // ("+CMGR:") message. Its body runs to the next final result code, and no line of it
    // is a call line, whatever it says.
    static bool OpensBody(std::string_view line);
    // Whether a line is a final result code that ends a command's answer.
    static bool EndsBody(std::string_view line);
};

}  // namespace veltro
