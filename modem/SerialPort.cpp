#include "modem/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace veltro {

namespace {
constexpr std::uint32_t kSettleAfterOpenMs = 250;
constexpr std::uint32_t kReopenPauseMs = 200;
// Timed writes allow this much per byte before they give up.
constexpr int kWriteMsPerByte = 10;
// What poll reports on a tty whose device has gone (a hung-up line).
constexpr short kHangUpEvents = POLLHUP | POLLERR;

// The errors of a tty whose device has gone: a pulled-out USB card, a pty whose
// master has closed.
bool MeansDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}
}  // namespace

SerialPort::SerialPort(std::string_view name, Clock& clock) : clock_(clock) {
    const std::size_t length = name.size() < kMaxNameLength ? name.size() : kMaxNameLength;
    std::memcpy(name_, name.data(), length);
    name_[length] = '\0';
}

SerialPort::~SerialPort() {
    CloseDescriptor();
}

SerialLineFactory SerialPort::Factory(Clock& clock) {
    return [&clock](std::string_view name) -> std::unique_ptr<SerialLine> {
        return std::make_unique<SerialPort>(name, clock);
    };
}

std::string SerialPort::DevicePath() const {
    return std::string("/dev/") + name_;
}

bool SerialPort::DevicePresent() const {
    struct stat info {};
    return ::stat(DevicePath().c_str(), &info) == 0;
}

int SerialPort::OpenDevice() {
    const std::string path = DevicePath();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        fd_ = kInvalidHandle;
        return error;
    }
    // The port is ours alone while it is open, as with an unshared handle. A pty
    // slave may refuse the request; it is still usable then.
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    gone_ = false;
    return 0;
}

int SerialPort::Open() {
    if (const int error = OpenDevice(); error != 0) {
        return error;
    }
    PurgeAll();
    timedWrites_ = true;
    if (ApplyDefaultSettings() == 0) {
        return errno != 0 ? errno : EIO;
    }
    clock_.SleepMs(kSettleAfterOpenMs);
    return 0;
}

void SerialPort::Close() {
    if (IsInvalid()) {
        return;
    }
    CloseDescriptor();
    fd_ = kClosedHandle;
}

void SerialPort::NoteError(int error) {
    if (MeansDeviceGone(error)) {
        gone_ = true;
    }
}

bool SerialPort::HungUp() const {
    pollfd pfd{fd_, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & kHangUpEvents) != 0;
}

void SerialPort::CloseDescriptor() {
    if (fd_ < 0) {
        return;
    }
    // The exclusive mode belongs to the tty, not to this descriptor: it outlives the
    // close while anything else (a pty master, a getty) keeps the tty open, and then
    // every later open by an ordinary user fails with EBUSY.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

int SerialPort::Reopen(std::uint32_t baudRate) {
    if (IsInvalid()) {
        return 0;
    }
    Close();
    // Give the driver a moment to let go of the device.
    clock_.SleepMs(kReopenPauseMs);
    if (const int error = OpenDevice(); error != 0) {
        // The tty of a card pulled out meanwhile is not there to open again.
        gone_ = error == ENOENT || MeansDeviceGone(error);
        return 0;
    }
    clock_.SleepMs(kSettleAfterOpenMs);
    PurgeAll();
    LineSettings settings;
    if (GetSettings(settings) == 0) {
        return 0;
    }
    settings.baudRate = baudRate;
    settings.byteSize = 8;
    settings.parity = 0;
    settings.stopBits = 0;
    if (Configure(settings) == 0) {
        return 0;
    }
    timedWrites_ = true;
    return 1;
}

int SerialPort::Configure(const LineSettings& settings) {
    if (IsInvalid()) {
        return 0;
    }
    // Driver queue sizes cannot be chosen on Linux; the tty layer's own are used.
    PurgeAll();
    timedWrites_ = false;
    return SetState(settings);
}

int SerialPort::SetState(const LineSettings& settings) {
    if (IsInvalid()) {
        return 0;
    }
    const speed_t speed = SpeedConstant(settings.baudRate);
    if (speed == B0) {
        errno = EINVAL;
        return 0;
    }
    termios tio = settings.native;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    switch (settings.byteSize) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        default:
            tio.c_cflag |= CS8;
            break;
    }
    if (settings.parity == 1) {
        tio.c_cflag |= PARENB | PARODD;
    } else if (settings.parity == 2) {
        tio.c_cflag |= PARENB;
    }
    if (settings.stopBits != 0) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
        return 0;
    }
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        NoteError(errno);
        return 0;
    }
    return 1;
}

int SerialPort::ApplyDefaultSettings() {
    LineSettings settings;
    if (GetSettings(settings) == 0) {
        return 0;
    }
    settings.baudRate = 115200;
    settings.byteSize = 8;
    settings.parity = 0;
    settings.stopBits = 0;
    return Configure(settings);
}

int SerialPort::GetSettings(LineSettings& settings) {
    if (IsInvalid()) {
        return 0;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        NoteError(errno);
        return 0;
    }
    settings.native = tio;
    settings.baudRate = BaudRateOf(::cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            settings.byteSize = 5;
            break;
        case CS6:
            settings.byteSize = 6;
            break;
        case CS7:
            settings.byteSize = 7;
            break;
        default:
            settings.byteSize = 8;
            break;
    }
    settings.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 1 : 2) : 0;
    settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    return 1;
}

int SerialPort::Read(char* buffer, std::uint32_t maxCount, std::uint32_t* countRead) {
    *countRead = 0;
    if (IsInvalid() || gone_.load()) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const ssize_t n = ::read(fd_, buffer, maxCount);
    if (n > 0) {
        *countRead = static_cast<std::uint32_t>(n);
        return 1;
    }
    if (n == 0) {
        // A hung-up tty reads as empty, like an idle one: only poll tells them apart.
        if (HungUp()) {
            gone_ = true;
            return 0;
        }
        return 1;
    }
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) {
        return 1;
    }
    NoteError(error);
    return 0;
}

bool SerialPort::WaitWritable(int timeoutMs) {
    pollfd pfd{fd_, POLLOUT, 0};
    return ::poll(&pfd, 1, timeoutMs) > 0 && (pfd.revents & POLLOUT) != 0;
}

int SerialPort::Write(const char* bytes, std::uint32_t count, std::uint32_t* countWritten) {
    *countWritten = 0;
    if (IsInvalid() || gone_.load()) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const std::uint64_t deadline = clock_.NowMs() + std::uint64_t{count} * kWriteMsPerByte;
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            NoteError(errno);
            *countWritten = done;
            return 0;
        }
        int waitMs = -1;
        if (timedWrites_) {
            const std::uint64_t now = clock_.NowMs();
            if (now >= deadline) {
                break;  // a timed write that ran out reports what went out
            }
            waitMs = static_cast<int>(deadline - now);
        }
        if (!WaitWritable(waitMs) && timedWrites_) {
            break;
        }
    }
    *countWritten = done;
    return 1;
}

int SerialPort::RaiseDtr() {
    if (IsInvalid()) {
        return 0;
    }
    int bits = TIOCM_DTR;
    return ::ioctl(fd_, TIOCMBIS, &bits) == 0 ? 1 : 0;
}

int SerialPort::LowerDtr() {
    if (IsInvalid()) {
        return 0;
    }
    int bits = TIOCM_DTR;
    return ::ioctl(fd_, TIOCMBIC, &bits) == 0 ? 1 : 0;
}

bool SerialPort::PurgeInput() {
    if (IsInvalid()) {
        return false;
    }
    if (::tcflush(fd_, TCIFLUSH) != 0) {
        NoteError(errno);
    }
    return true;
}

bool SerialPort::PurgeAll() {
    if (IsInvalid()) {
        return false;
    }
    ::tcflush(fd_, TCIOFLUSH);
    return true;
}

void SerialPort::WaitReadable(std::uint32_t ms) {
    if (fd_ < 0) {
        clock_.SleepMs(ms);
        return;
    }
    pollfd pfd{fd_, POLLIN, 0};
    const std::uint64_t start = clock_.NowMs();
    const int ready = ::poll(&pfd, 1, static_cast<int>(ms));
    // A hung-up line reports itself readable at once; sleep out the slice instead of
    // letting the caller's loop spin on it.
    if (ready > 0 && (pfd.revents & (kHangUpEvents | POLLNVAL)) != 0) {
        if ((pfd.revents & kHangUpEvents) != 0) {
            gone_ = true;
        }
        const std::uint64_t spent = clock_.NowMs() - start;
        if (spent < ms) {
            clock_.SleepMs(static_cast<std::uint32_t>(ms - spent));
        }
    }
}

}  // namespace veltro
