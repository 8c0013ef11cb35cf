#pragma once

#include "modem/Clock.h"

namespace veltro {

// The real clock: a monotonic millisecond counter and thread sleeps.
class SystemClock final : public Clock {
public:
    static SystemClock& Instance();

    std::uint64_t NowMs() override;
    void SleepMs(std::uint32_t ms) override;
};

}  // namespace veltro
