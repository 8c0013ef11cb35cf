#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "modem/Clock.h"
#include "modem/SerialLine.h"

namespace veltro {

// A tty under /dev in raw mode, 8N1, with reads that return at once.
//
// The handle has three states. Invalid (never opened, or a failed open): every
// operation refuses at once. Closed (after Close): operations go on to the system,
// which rejects the handle. Open: usable. Only single reads and single writes are
// locked; nothing spans a command and its answer.
class SerialPort final : public SerialLine {
public:
    static constexpr std::size_t kMaxNameLength = 8;
    static constexpr std::uint32_t kQueueSize = 20480;

    // Keeps the first 8 characters of name.
    SerialPort(std::string_view name, Clock& clock);
    ~SerialPort() override;

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    static SerialLineFactory Factory(Clock& clock);

    const char* Name() const override { return name_; }
    // "/dev/" + the name.
    std::string DevicePath() const;

    int OpenDevice() override;
    int Open() override;
    void Close() override;
    int Reopen(std::uint32_t baudRate) override;
    int Configure(const LineSettings& settings) override;
    int SetState(const LineSettings& settings) override;
    int ApplyDefaultSettings() override;
    int GetSettings(LineSettings& settings) override;
    void SetTimedWrites(bool timed) override { timedWrites_ = timed; }
    int Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) override;
    int Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) override;
    int RaiseDtr() override;
    int LowerDtr() override;
    bool PurgeInput() override;
    bool PurgeAll() override;
    void WaitReadable(std::uint32_t ms) override;
    // A hung-up tty (poll reports POLLHUP or POLLERR), or a read, write or line
    // operation that failed with EIO, ENXIO or ENODEV. Once gone, reads and writes fail
    // at once.
    bool Gone() const override { return gone_.load(); }
    // The tty's node exists under /dev.
    bool DevicePresent() const override;

private:
    static constexpr int kInvalidHandle = -1;
    static constexpr int kClosedHandle = -2;

    bool IsInvalid() const { return fd_ == kInvalidHandle; }
    bool WaitWritable(int timeoutMs);
    // Gives up the exclusive mode and closes an open descriptor.
    void CloseDescriptor();
    // Marks the line gone when error says the device has disappeared.
    void NoteError(int error);
    // Whether poll reports the open tty hung up, without waiting.
    bool HungUp() const;

    char name_[kMaxNameLength + 1] = {};
    int fd_ = kInvalidHandle;
    bool timedWrites_ = true;
    std::atomic<bool> gone_{false};
    std::mutex lock_;
    Clock& clock_;
};

}  // namespace veltro
