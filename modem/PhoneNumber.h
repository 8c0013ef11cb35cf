#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// Numbers as people write them ("+86 138-0013-8000", "(010) 8888 6666") made into the
// digits a send or a dial puts on the command line, and the characters that may not go
// there because they could change the command.
class PhoneNumber {
public:
    // The number without the blanks, dashes, dots and parentheses written into it.
    static std::string Clean(std::string_view written);

    // The first character of a cleaned number that a dial refuses, for display (a
    // control character as "U+000D"): anything but digits, "+", "*", "#" and A-D could
    // end "ATD...;" early or chain another command. nullopt when there is none.
    static std::optional<std::string> RefusedForDial(std::string_view cleaned);

    // The same for a send: a number long enough for the PDU route goes into the
    // message as semi-octets, digits with one "+" in front; a shorter one goes quoted
    // on "AT+CMGS=", where a quote or a control character would end it.
    static std::optional<std::string> RefusedForSend(std::string_view cleaned);
};

}  // namespace veltro
