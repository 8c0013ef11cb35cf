#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "vcard/AtCommand.h"

namespace veltro::vcard {

// Splits the body of a command line (what follows "AT", without the CR) into its
// commands, as a V.250 modem reads it: basic commands run together ("E0V1"), extended
// commands end at ";", a dial command takes the rest of the line. Spaces and case do not
// matter outside double quotes. A line that cannot be read gives nothing.
class AtCommandLine {
public:
    static std::optional<std::vector<AtCommand>> Split(std::string_view body);
};

}  // namespace veltro::vcard
