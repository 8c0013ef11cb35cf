#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltro::test {

// What python3-gammu, an independent SMS codec, makes of submitted PDUs (hex, service
// centre field first) once it links them: how many parts, the destination and the
// joined text. nullopt when python3 with gammu cannot be run or does not link them
// into one message.
struct GammuLinked {
    int parts = 0;
    std::string number;
    std::string text;
};
std::optional<GammuLinked> LinkWithGammu(const std::vector<std::string>& pdus);

// True when python3 can import gammu.
bool GammuAvailable();

}  // namespace veltro::test
