#pragma once

#include <cstdint>
#include <vector>

namespace veltro::art {

// A soft bell arpeggio, played twice, then a pause: about three seconds that loop well.
std::vector<std::int16_t> RingTone(int rate);

}  // namespace veltro::art
