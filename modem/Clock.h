#pragma once

#include <cstdint>

namespace veltro {

// The tick counter and sleeps of the modem layer. Everything that waits goes through
// one Clock so that tests can run the same code in virtual time.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start; never goes backwards.
    virtual std::uint64_t NowMs() = 0;

    // Blocks the calling thread for about ms milliseconds.
    virtual void SleepMs(std::uint32_t ms) = 0;
};

}  // namespace veltro
