#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltro {

// Takes apart the PDU-mode answers to "AT+CMGL=" and "AT+CMGR=" (3GPP TS 27.005 3.4.2,
// 3.4.3). Every entry is one header line followed by exactly one line of hexadecimal
// digits, so nothing a sender writes can pass for an answer line: a PDU line cannot
// hold a line break, "OK", "RING" or "+CMGL:". Pure functions of the answer text.
class PduAnswerParser {
public:
    // An index fits a 10-byte slot with its terminator.
    static constexpr std::size_t kMaxIndexChars = 9;
    // The longest PDU taken: a 12-octet service-centre field and a 176-octet TPDU,
    // with room to spare for modems that pad.
    static constexpr std::size_t kMaxPduOctets = 200;
    // The alpha field shows a phonebook name; longer is not a name.
    static constexpr std::size_t kMaxAlphaChars = 64;

    struct Entry {
        std::string index;  // listing only: 1 to 9 decimal digits
        int status = -1;    // <stat> 0..4; -1 when the modem leaves it empty
        std::string alpha;  // the name the modem may show from the SIM's phonebook
        std::string pdu;    // the service-centre address and the TPDU, as bytes
    };

    struct Listing {
        std::vector<Entry> entries;
        // False when the framing broke (a header that does not parse, a header without
        // its PDU line, a PDU line without its header): the listing ends there,
        // keeping the entries before it.
        bool complete = true;
    };

    enum class Final { None, Ok, Error };

    // "+CMGL: " index "," [stat] "," [alpha] "," length, then the PDU line; blanks after
    // the commas are allowed, the alpha field empty, "" or a quoted name. An index
    // listed twice counts once. Lines that are not part of an entry and hold no hex
    // digits only (an echo, unsolicited lines) are passed over.
    static Listing ParseListing(std::string_view answer);

    // "+CMGR: " [stat] "," [alpha] "," length, or [stat] "," length, then the PDU line.
    static std::optional<Entry> ParseRead(std::string_view answer);

    // The final result code that ends the answer: "OK", "ERROR", "+CMS ERROR: ..." or
    // "+CME ERROR: ..." on a line of its own outside any entry; None while it has not
    // arrived.
    static Final FinalResult(std::string_view answer);
};

}  // namespace veltro
