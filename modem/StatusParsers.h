#pragma once

#include <cstddef>
#include <string_view>

namespace veltro {

// One integer field read out of the receive buffer.
struct ParsedField {
    bool ok = false;
    int value = 0;
    // How many leading characters of the buffer the search went past; the engine masks
    // them so that a later search starts beyond this answer.
    std::size_t consumed = 0;
};

// Pure readers of the status answers in the engine's receive buffer text.
class StatusParsers {
public:
    static constexpr std::size_t kMaxSignalDigits = 5;

    // "READY" anywhere in the text: a bare "READY" and "+CPIN: READY" alike.
    static bool SimReady(std::string_view text);

    // The first "+CGREG: " line: the integer after its first comma, up to the CR LF
    // that follows. Fails without the comma or the CR LF, and on a value beyond int.
    static ParsedField PacketRegistration(std::string_view text);

    // The first "$CSQ: " line: the integer between the prefix and the next comma, at
    // most kMaxSignalDigits characters long. Fails without the comma or when longer.
    // A card that knows only the standard commands answers "+CSQ: " instead
    // (3GPP TS 27.007 8.5); standard picks that prefix.
    static ParsedField SignalValue(std::string_view text, bool standard = false);

    // Whether a probe answer holds the accepted manufacturer text.
    static bool HasManufacturer(std::string_view answer, std::string_view accepted);

    // The leading integer of text as the C library reads it (spaces, a sign, digits;
    // no digits read as 0). False when the value does not fit an int.
    static bool LeadingInteger(std::string_view text, int* value);
};

}  // namespace veltro
