#include "vcard/PtyMaster.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "modem/LineSettings.h"

namespace veltro::vcard {

PtyMaster::~PtyMaster() {
    Close();
}

bool PtyMaster::Open(std::uint32_t baudRate) {
    Close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char path[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, path, sizeof(path)) != 0) {
        ::close(fd);
        return false;
    }
    // Open the slave once to give it raw settings at the card's rate, then close it: a
    // fresh pty echoes and translates line ends, which would feed the card its own
    // answers. Closing it also puts the master in the hang-up state until a client
    // comes, so nothing the card says before then lingers in the slave's queue.
    const int slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        ::close(fd);
        return false;
    }
    termios settings{};
    if (::tcgetattr(slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        const speed_t speed = SpeedConstant(baudRate);
        if (speed != B0) {
            ::cfsetispeed(&settings, speed);
            ::cfsetospeed(&settings, speed);
        }
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    ::close(slave);
    fd_ = fd;
    slavePath_ = path;
    return true;
}

void PtyMaster::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::uint32_t PtyMaster::LineRate() const {
    termios settings{};
    if (fd_ < 0 || ::tcgetattr(fd_, &settings) != 0) {
        return 0;
    }
    return BaudRateOf(::cfgetospeed(&settings));
}

bool PtyMaster::HungUp() const {
    if (fd_ < 0) {
        return true;
    }
    pollfd pfd{fd_, 0, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLHUP) != 0;
}

void PtyMaster::DiscardUnread() {
    // Only the slave side can flush its own input queue.
    const int slave = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

bool PtyMaster::Read(std::string& out) {
    if (fd_ < 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
    if (n <= 0) {
        return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
    return true;
}

void PtyMaster::Write(std::string_view bytes, int waitMs) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return;
        }
        pollfd pfd{fd_, POLLOUT, 0};
        if (::poll(&pfd, 1, waitMs) <= 0 || (pfd.revents & POLLOUT) == 0) {
            return;
        }
    }
}

}  // namespace veltro::vcard
