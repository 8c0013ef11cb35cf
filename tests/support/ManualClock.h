#pragma once

#include <atomic>

#include "modem/Clock.h"

namespace veltro::test {

// Virtual time: sleeping advances the clock at once, so tests of waits run instantly
// and measure exactly how long the code under test would have waited.
class ManualClock final : public Clock {
public:
    std::uint64_t NowMs() override { return now_.load(); }
    void SleepMs(std::uint32_t ms) override { now_ += ms; }
    void Advance(std::uint64_t ms) { now_ += ms; }
    void AdvanceTo(std::uint64_t ms) {
        std::uint64_t current = now_.load();
        while (current < ms && !now_.compare_exchange_weak(current, ms)) {
        }
    }

private:
    std::atomic<std::uint64_t> now_{1000};
};

}  // namespace veltro::test
