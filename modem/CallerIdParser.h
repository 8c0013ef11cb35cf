#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltro {

// Takes the caller's number out of the caller-identification line "+CLIP: "number",type"
// that follows "RING" once "AT+CLIP=1" is set (3GPP TS 27.007).
class CallerIdParser {
public:
    static constexpr std::size_t kMaxNumberChars = 50;

    // The number of the first caller line in text, as UTF-8; empty for a withheld
    // number. nullopt when there is no complete caller line or its number is longer
    // than 50 characters.
    static std::optional<std::string> Parse(std::string_view text);
};

}  // namespace veltro
