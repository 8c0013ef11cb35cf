#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "modem/LineSettings.h"

namespace veltro::vcard::test {

// The client end of a card's pty, opened and set like a serial port (raw, given rate).
class CardClient {
public:
    explicit CardClient(const std::string& path, std::uint32_t rate = 115200) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        SetRate(rate);
    }
    ~CardClient() { Close(); }
    CardClient(const CardClient&) = delete;
    CardClient& operator=(const CardClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    void SetRate(std::uint32_t rate) {
        termios settings{};
        if (fd_ < 0 || ::tcgetattr(fd_, &settings) != 0) {
            return;
        }
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&settings, SpeedConstant(rate));
        ::cfsetospeed(&settings, SpeedConstant(rate));
        ::tcsetattr(fd_, TCSANOW, &settings);
    }

    void Send(const std::string& bytes) const {
        std::size_t done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd pfd{fd_, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
            }
        }
    }

    // Everything that arrives until the text holds `until`, or limitMs passes.
    std::string ReadUntil(const std::string& until, int limitMs = 2000) {
        return ReadUntilEnd(
            [&until](const std::string& text) -> std::optional<std::size_t> {
                const auto found = until.empty() ? std::string::npos : text.find(until);
                if (found == std::string::npos) {
                    return std::nullopt;
                }
                return found + until.size();
            },
            limitMs);
    }

    // Whatever arrives within ms.
    std::string ReadFor(int ms) { return ReadUntil({}, ms); }

    // Sends a command line and returns everything up to and including its final result
    // code (or the "> " prompt), or what came within limitMs.
    std::string Command(const std::string& line, int limitMs = 2000) {
        Send(line + "\r");
        return ReadAnswer(limitMs);
    }

    std::string ReadAnswer(int limitMs = 2000) { return ReadUntilEnd(FinalEnd, limitMs); }

private:
    // Reads until endOf finds where the wanted text ends in what has arrived, then
    // returns up to there; returns everything when limitMs passes or the line ends.
    template <typename EndOf>
    std::string ReadUntilEnd(EndOf endOf, int limitMs) {
        const auto start = std::chrono::steady_clock::now();
        while (true) {
            if (const auto end = endOf(pending_)) {
                std::string out = pending_.substr(0, *end);
                pending_.erase(0, *end);
                return out;
            }
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count();
            std::string out;
            if (elapsed >= limitMs) {
                out.swap(pending_);
                return out;
            }
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(limitMs - elapsed)) > 0) {
                char buffer[4096];
                const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
                if (n > 0) {
                    pending_.append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EAGAIN) {
                    out.swap(pending_);
                    return out;
                }
            }
        }
    }

    // Where the first final result code in text ends.
    static std::optional<std::size_t> FinalEnd(const std::string& text) {
        std::optional<std::size_t> best;
        for (const char* final :
             {"\r\nOK\r\n", "\r\nERROR\r\n", "\r\nNO CARRIER\r\n", "\r\nCONNECT\r\n", "\r\n> "}) {
            const auto at = text.find(final);
            if (at != std::string::npos && (!best || at + std::strlen(final) < *best)) {
                best = at + std::strlen(final);
            }
        }
        for (const char* error : {"\r\n+CME ERROR: ", "\r\n+CMS ERROR: "}) {
            const auto at = text.find(error);
            const auto end = at == std::string::npos ? at : text.find("\r\n", at + 2);
            if (end != std::string::npos && (!best || end + 2 < *best)) {
                best = end + 2;
            }
        }
        return best;
    }

    int fd_ = -1;
    std::string pending_;
};

}  // namespace veltro::vcard::test
