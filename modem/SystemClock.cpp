#include "modem/SystemClock.h"

#include <chrono>
#include <thread>

namespace veltro {

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

std::uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::SleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace veltro
