#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "modem/LineSettings.h"

namespace veltro {

// One serial line to a modem, as the engine and the discovery use it. SerialPort is
// the real one on a tty; tests substitute scripted lines.
//
// Results follow the system convention the rest of the modem layer expects:
// non-zero for success, 0 for failure, except Open, which returns 0 on success or the
// system error code.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // The short port name, at most 8 characters ("ttyUSB0", "pts/7").
    virtual const char* Name() const = 0;

    // Opens the device exclusively without touching its settings: 0 or an errno value.
    virtual int OpenDevice() = 0;
    // Opens the port at 115200 8N1 with immediate reads: 0 or an errno value.
    virtual int Open() = 0;
    virtual void Close() = 0;
    // Closes and opens the port again at another rate: 1 or 0.
    virtual int Reopen(std::uint32_t baudRate) = 0;

    // Purges both directions, selects untimed writes and applies the settings.
    virtual int Configure(const LineSettings& settings) = 0;
    // Applies the settings alone.
    virtual int SetState(const LineSettings& settings) = 0;
    virtual int ApplyDefaultSettings() = 0;
    virtual int GetSettings(LineSettings& settings) = 0;
    // Selects timed writes (10 ms per byte) or untimed writes (wait until written).
    virtual void SetTimedWrites(bool timed) = 0;

    // Returns at once with what has arrived (possibly nothing).
    virtual int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) = 0;
    virtual int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) = 0;

    virtual int RaiseDtr() = 0;
    virtual int LowerDtr() = 0;
    // Drops unread input.
    virtual bool PurgeInput() = 0;
    // Drops unread input and unsent output.
    virtual bool PurgeAll() = 0;

    // Blocks until input may be ready or ms have passed, without using the processor.
    virtual void WaitReadable(std::uint32_t ms) = 0;

    // True once the line's I/O has found the device gone (a card pulled out or without
    // power: its tty hung up). Stays true until the line is opened again; safe to read
    // from any thread.
    virtual bool Gone() const { return false; }
    // Whether the device is there to be opened, without opening it.
    virtual bool DevicePresent() const { return true; }
};

// Creates the line object for a port name; the line is not opened.
using SerialLineFactory = std::function<std::unique_ptr<SerialLine>(std::string_view name)>;

}  // namespace veltro
