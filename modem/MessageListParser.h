#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// Takes the storage indices out of an answer to "AT+CMGL=" (3GPP TS 27.005), in the
// order the modem lists them; the rest of each entry is not looked at.
class MessageListParser {
public:
    // An index fits a 10-byte slot with its terminator.
    static constexpr std::size_t kMaxIndexChars = 9;

    struct Listing {
        std::vector<std::string> indices;
        // False when an entry line had no comma after its index: the listing ends
        // there, keeping the indices found before it.
        bool complete = true;
    };

    // Every entry line yields its index, the text between "+CMGL: " and the comma. An
    // entry line begins with "+CMGL: " and has a status after the index (quoted in
    // text mode, a digit in PDU mode); the body line after a text-mode entry line is
    // never one. An index that is not 1 to 9 decimal digits is left out: it would not
    // fit a slot, and it goes back to the modem inside "AT+CMGR=" and "AT+CMGD=" lines.
    // An index listed twice counts once.
    static Listing Parse(std::string_view answer);
};

}  // namespace veltro
