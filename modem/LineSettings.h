#pragma once

#include <termios.h>

#include <cstdint>

namespace veltro {

// The line settings of a serial port: the fields the program sets, over the driver's
// full termios record (whatever it does not name, such as flow control, stays as the
// driver reports it).
struct LineSettings {
    std::uint32_t baudRate = 115200;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;    // 0 = none
    std::uint8_t stopBits = 0;  // 0 = one stop bit
    termios native{};
};

// The termios speed constant of a rate in bits per second, or B0 for a rate the
// driver has no constant for.
speed_t SpeedConstant(std::uint32_t baudRate);

// The rate in bits per second of a termios speed constant, or 0 if unknown.
std::uint32_t BaudRateOf(speed_t speed);

}  // namespace veltro
