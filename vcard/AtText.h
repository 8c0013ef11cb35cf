#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltro::vcard {

// Small text rules of the card's command lines.
class AtText {
public:
    // ASCII letters in upper case, everything else as it is.
    static std::string Upper(std::string_view text);
    // A number of one to nine decimal digits and nothing else.
    static std::optional<int> Number(const std::string& text);
};

}  // namespace veltro::vcard
