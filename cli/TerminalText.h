#pragma once

#include <string>
#include <string_view>

namespace veltro::cli {

// Text from the card or the data files made safe to print on a terminal: no byte of it
// can move the cursor, change colours or send the terminal a command.
class TerminalText {
public:
    // Printable UTF-8 stays as it is. Line feed, carriage return and tab become \n, \r
    // and \t; other C0 controls, DEL and bytes that are not UTF-8 become \xNN; the C1
    // controls U+0080 to U+009F become \u0080 to \u009F; a backslash becomes \\ so that
    // an escape in the text cannot be mistaken for one made here.
    static std::string Escape(std::string_view text);
};

}  // namespace veltro::cli
