#include "modem/LineSettings.h"

#include <array>
#include <utility>

namespace veltro {

namespace {
constexpr std::array<std::pair<std::uint32_t, speed_t>, 18> kSpeeds{{
    {50, B50},
    {75, B75},
    {110, B110},
    {150, B150},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {921600, B921600},
    {1800, B1800},
}};
}  // namespace

speed_t SpeedConstant(std::uint32_t baudRate) {
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baudRate) {
            return speed;
        }
    }
    return B0;
}

std::uint32_t BaudRateOf(speed_t speed) {
    for (const auto& [rate, constant] : kSpeeds) {
        if (constant == speed) {
            return rate;
        }
    }
    return 0;
}

}  // namespace veltro
