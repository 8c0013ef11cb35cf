#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// The network's answer to a USSD request, "+CUSD: <m>[,<str>[,<dcs>]]" (3GPP TS
// 27.007 7.15), decoded to UTF-8. Pure functions over received text.
struct UssdAnswer {
    // <m>: 0 no further action, 1 the network waits for a reply, 2 ended by the
    // network, 3 answered by another client, 4 not supported, 5 the network timed out.
    int status = 0;
    std::string text;  // UTF-8, possibly several lines; nothing else is done to it

    bool MoreFollows() const { return status == 1; }

    // Whether text holds a complete "+CUSD:" line; answer gets the first one's answer,
    // or nothing when that line is malformed. A quoted string may run over line
    // breaks; the line is complete at the line end after its closing quote.
    static bool Find(std::string_view text, std::optional<UssdAnswer>* answer);
    // One whole "+CUSD:" line (without its final line end).
    static std::optional<UssdAnswer> Parse(std::string_view line);
    // The string of a +CUSD answer as the data coding scheme (3GPP TS 23.038 5) says:
    // the GSM 7-bit groups as text or as packed septets in hexadecimal, UCS2 as
    // hexadecimal UTF-16, 8-bit data as hexadecimal Latin-1. Nothing for hexadecimal
    // that does not decode.
    static std::optional<std::string> Decode(std::string_view payload, int dcs);
};

}  // namespace veltro
