#include "modem/CallerIdParser.h"

#include "modem/GbkText.h"

namespace veltro {

std::optional<std::string> CallerIdParser::Parse(std::string_view text) {
    constexpr std::string_view kClip = "+CLIP: \"";
    const std::size_t a = text.find(kClip);
    if (a == std::string_view::npos) {
        return std::nullopt;
    }
    // The closing quote is searched after the caller line's own opening quote: other
    // unsolicited lines before it ("+CIEV: "CALL",1") hold the same pattern.
    const std::size_t start = a + kClip.size();
    const std::size_t b = text.find("\",", start);
    if (b == std::string_view::npos || b - start > kMaxNumberChars) {
        return std::nullopt;
    }
    const std::string_view number = text.substr(start, b - start);
    if (number.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return GbkText::ToUtf8(number);
}

}  // namespace veltro
