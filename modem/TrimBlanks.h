#pragma once

#include <string_view>

namespace veltro {

// text without leading and trailing blanks, tabs and CRs: how lines of INI files and of
// other programs' output are compared.
inline std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace veltro
